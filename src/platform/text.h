// Small text and byte helpers shared by the installer and the authoring tool. Header only
// and free of any other dependency, so that even the block decoder may use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wb {

// ASCII letters only: bytes of the ANSI code page above 0x7F are left as they are, as the
// installer's comparisons of switches, groups and keys require.
constexpr char AsciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// True when `a` and `b` are equal but for the letter case of ASCII letters.
constexpr bool SameTextNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

// `text` without the leading and trailing characters of `blanks`.
inline std::string TrimBlanks(const std::string& text, const char* blanks = " ") {
    const size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

// Every occurrence of `what` in `text` replaced by `with`, left to right; text inserted by a
// replacement is not searched again. An empty `what` changes nothing.
inline std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    if (what.empty()) return text;
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// The leading decimal integer of `text`: blanks and tabs skipped, an optional sign, digits
// up to the first other character, wrapping at 32 bits as the installer's 32-bit `long`
// does (4294967296 reads 0); 0 when there are no digits.
constexpr int32_t ParseLeadingNumber(std::string_view text) noexcept {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + uint32_t(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

// The text of `length` bytes read from the system (a registry value, say), which need not
// carry its NUL: it ends at the first NUL or at `length`.
inline std::string TextBeforeNul(const char* buffer, size_t length) {
    size_t end = 0;
    while (end < length && buffer[end] != '\0') ++end;
    return std::string(buffer, end);
}

// Little-endian numbers at `p`; the caller has checked that the bytes are there.
constexpr uint16_t ReadLe16(const uint8_t* p) noexcept { return uint16_t(p[0] | p[1] << 8); }
constexpr uint32_t ReadLe32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace wb
