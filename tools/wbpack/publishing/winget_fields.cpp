// The rules that the winget manifest schema (1.6.0) sets for its fields, and YAML scalars
// that every reader takes back as the very strings written.
#include "wbpack/publishing/winget_fields.h"

#include <cstring>
#include <vector>

#include "wbpack/codepage.h"

namespace wb {

namespace {

// Field limits of the schema, in characters.
constexpr long kMaxIdLength = 128;
constexpr long kMaxIdPart = 32;
constexpr long kMaxVersion = 128;
constexpr long kMaxLocale = 20;
constexpr long kMaxUrl = 2048;

// White space as the schema's patterns (ECMAScript "\s") know it.
bool IsPatternSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

// The characters that no file name, identifier or version of a manifest may hold.
bool IsNameForbidden(char32_t c) {
    return c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
           c == '>' || c == '|' || (c >= 0x01 && c <= 0x1F);
}

bool Decode(const std::string& text, std::u32string& out) {
    out.clear();
    size_t pos = 0;
    char32_t c = 0;
    while (pos < text.size()) {
        if (!NextUtf8(text, pos, c)) return false;
        out += c;
    }
    return true;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsReservedWord(const std::string& text) {
    static const char* const kWords[] = {"true", "false", "yes", "no", "on", "off",
                                         "y", "n", "null", "nan", "inf"};
    std::string lower = text;
    for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const char* w : kWords) {
        if (lower == w) return true;
    }
    return false;
}

// Plain only for text that starts with a letter, holds nothing but printable ASCII free of
// YAML's indicators, and is no word that a reader would take for a boolean or a null.
bool PlainIsSafe(const std::string& text) {
    if (text.empty() || !IsAsciiLetter(text[0]) || text.back() == ' ' || text.back() == ':') {
        return false;
    }
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7F || std::strchr("#'\"{}[],&*!|>%@`", c)) return false;
    }
    return text.find(": ") == std::string::npos && !IsReservedWord(text);
}

}  // namespace

long Utf8Length(const std::string& text) {
    size_t pos = 0;
    char32_t c = 0;
    long n = 0;
    while (pos < text.size()) {
        if (!NextUtf8(text, pos, c)) return -1;
        ++n;
    }
    return n;
}

bool HasControl(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

bool ValidPackageIdentifier(const std::string& id) {
    std::u32string chars;
    if (!Decode(id, chars) || chars.empty() || long(chars.size()) > kMaxIdLength) return false;
    long part = 0;
    int parts = 1;
    for (char32_t c : chars) {
        if (c == '.') {
            if (part == 0) return false;
            part = 0;
            ++parts;
            continue;
        }
        if (IsPatternSpace(c) || IsNameForbidden(c) || c == 0) return false;
        if (++part > kMaxIdPart) return false;
    }
    return part > 0 && parts >= 2 && parts <= 8;
}

bool ValidPackageVersion(const std::string& version) {
    std::u32string chars;
    if (!Decode(version, chars) || chars.empty() || long(chars.size()) > kMaxVersion) return false;
    for (char32_t c : chars) {
        if (IsNameForbidden(c) || c == 0) return false;
    }
    return true;
}

// A language tag as the schema's pattern takes it: "en", "de-CH", "i-klingon", "x-private".
bool ValidLocale(const std::string& locale) {
    if (locale.empty() || long(locale.size()) > kMaxLocale) return false;
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dash = locale.find('-', start);
        parts.push_back(locale.substr(start, dash == std::string::npos ? dash : dash - start));
        if (dash == std::string::npos) break;
        start = dash + 1;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        // The part after "i-" alone has no length limit.
        bool irregular = i == 1 && (parts[0] == "i" || parts[0] == "I");
        if (p.empty() || (p.size() > 8 && !irregular)) return false;
        for (char c : p) {
            if (!IsAsciiLetter(c)) return false;
        }
    }
    const std::string& first = parts[0];
    if (first.size() >= 2 && first.size() <= 3) return true;
    // "i-" and "x-" begin the irregular and private tags.
    return first.size() == 1 && (first == "i" || first == "I" || first == "x" || first == "X") &&
           parts.size() >= 2;
}

bool ValidUrl(const std::string& url) {
    if (HasControl(url) || Utf8Length(url) < 0 || Utf8Length(url) > kMaxUrl) return false;
    size_t colon = url.find("://");
    if (colon == std::string::npos || colon + 3 >= url.size()) return false;
    std::string scheme = url.substr(0, colon);
    for (char& c : scheme) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return scheme == "http" || scheme == "https";
}

// A text of the manifest within its length limits; false with the reason.
bool CheckText(const TextRule& rule, const std::string& text, const std::string& source,
               std::string& error) {
    long n = Utf8Length(text);
    if (n < 0) {
        error = source + " is not valid UTF-8";
        return false;
    }
    if (HasControl(text)) {
        error = source + " holds a control character, which " + rule.Field + " cannot";
        return false;
    }
    if (n < rule.Min || n > rule.Max) {
        error = source + " has " + std::to_string(n) + " characters; winget's " + rule.Field +
                " takes " + std::to_string(rule.Min) + " to " + std::to_string(rule.Max);
        return false;
    }
    return true;
}

// The first `max` characters of UTF-8 `text`.
std::string FirstCharacters(const std::string& text, long max) {
    size_t pos = 0;
    char32_t c = 0;
    for (long n = 0; n < max && pos < text.size(); ++n) {
        if (!NextUtf8(text, pos, c)) break;
    }
    return text.substr(0, pos);
}

std::string YamlScalar(const std::string& text) {
    if (PlainIsSafe(text)) return text;
    if (!HasControl(text)) {
        std::string out = "'";
        for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    }
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            static const char kDigits[] = "0123456789ABCDEF";
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

}  // namespace wb
