// Conversion of names between UTF-8 (the host's file names) and the Windows 8-bit code
// page that the installer's ANSI file calls use.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// True for the code pages the tool knows: 1252 (Western), 850 and 437 (OEM).
bool CodePageSupported(int codepage) noexcept;

// Converts UTF-8 `text` to bytes of `codepage`. False when the text is not valid UTF-8 or
// holds a character the code page lacks; `bad` then names the offending character.
bool Utf8ToCodePage(const std::string& text, int codepage, std::string& out, std::string& bad);

// Converts bytes of `codepage` to UTF-8; a byte the code page leaves undefined becomes "_".
std::string CodePageToUtf8(const std::string& bytes, int codepage);

// Decodes one UTF-8 character at `text[pos]`, advancing `pos`; false on malformed input.
bool NextUtf8(const std::string& text, size_t& pos, char32_t& out) noexcept;

}  // namespace wb
