// Preference files: the INI-style text format of setup.ini, the language files and the
// Uninstall log, read whole into the one process-wide document and written back whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text.h"  // ParseLeadingNumber reads numbers as PrefReadNumber does

namespace wb {

enum class PrefLineKind : uint8_t { Group, Comment, Key };

// One line of a document. Name holds the group name, the comment text or the key;
// Value is used by key lines only (leading blanks already removed, trailing ones kept).
struct PrefLine {
    PrefLineKind Kind = PrefLineKind::Key;
    std::string Name;
    std::string Value;
};

// The in-memory form of a Preference file. In a UTF-8 document every stored text is
// UTF-8; in a plain one it is the file's own bytes.
struct PrefDocument {
    std::vector<PrefLine> Lines;
    bool Utf8 = false;
};

// Parses `length` bytes of file text (byte-order mark already removed) and appends its
// lines to `doc`. Any bytes are accepted; returns the number of lines appended.
size_t PrefParseText(const char* data, size_t length, PrefDocument& doc);

// Loads a whole file's text into `doc`: a leading EF BB BF marks a UTF-8 document and is
// not part of the text.
void PrefLoadText(const char* data, size_t length, PrefDocument& doc);

// The value of `key` in the first group named `group` of `doc` (an empty name: the keys
// before the first group), exactly as PrefReadString reads it: no trailing blanks, in the
// ANSI code page. False, with `value` empty, when there is no such key.
bool PrefLookup(const PrefDocument& doc, const char* group, const char* key, std::string& value);

// True when `doc` holds a group named `group` (letter case ignored), even an empty one.
bool PrefHasGroup(const PrefDocument& doc, const char* group);

// Every key of the first group named `group` of `doc`, in lower case (ASCII letters), with
// its value as PrefLookup reads it; of two equal keys the first counts. Empty when there is
// no such group. For reading many keys of one group at the cost of one pass.
std::unordered_map<std::string, std::string> PrefGroupValues(const PrefDocument& doc,
                                                             const char* group);

// The file text of `doc` as PrefClose writes it: for UTF-8 the mark EF BB BF and CR LF
// first, then every line ending in CR LF.
std::string PrefRenderText(const PrefDocument& doc);

// Each byte becomes the character of the same number, in UTF-8.
std::string Latin1ToUtf8(std::string_view text);
// The reverse; false (and `out` empty) when the text is malformed UTF-8 or holds a
// character above U+00FF.
bool Utf8ToLatin1(std::string_view text, std::string& out);

// Operations on the one process-wide document. Only one Preference file is open at a
// time; opening another closes (and, when modified, writes back) the current one.

// Loads the file at `path`. Returns 1 when the file was opened, 0 when it cannot be
// opened; a missing file's path is remembered so that a write creates it at PrefClose.
int PrefOpen(const char* path);
// Selects a group (empty name: the keys before the first group). Returns 1 when it
// exists or the name is empty, 0 otherwise; then reads give defaults until a write
// creates the group at the end of the document.
int PrefGroup(const char* name);
// The value of `key` in the current group without trailing blanks, else `defaultText`.
std::string PrefReadString(const char* key, const char* defaultText = "");
// The leading number of the value of `key`, else `defaultNumber`.
int32_t PrefReadNumber(const char* key, int32_t defaultNumber = 0);
// Sets `key` in the current group, adding it at the end of the group's section.
void PrefWriteString(const char* key, const char* value);
void PrefWriteNumber(const char* key, int32_t number);
// Writes the document back when it was modified (and the file could be written), then
// discards it.
void PrefClose();
// The open document with every write so far, for readers of a whole document (PrefLookup,
// PrefGroupValues); empty when none is open.
const PrefDocument& PrefOpenDocument();

}  // namespace wb
