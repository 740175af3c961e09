// Names of the program's shortcuts, shared by the code that makes them and the Uninstall
// log that tells the uninstaller where they are.
#pragma once

#include <string>

#include "config/language_table.h"
#include "platform/text.h"

namespace wb {

// The part of `path` after its last "\" or "/" (all of it when it has none).
std::string FilePartOf(const std::string& path);
// The part of `path` up to and including its last "\" or "/"; empty when it has none.
std::string FolderPartOf(const std::string& path);
// `name` up to, not including, its first "." (all of it when it has none).
std::string NameBeforeFirstDot(const std::string& name);

// The program's shortcut name: Setup.ProgLink, or when that is empty the name of
// Setup.ProgExe up to its first ".".
std::string ProgramLinkName();
// The additional program's link name: its file name up to the first ".", then ".lnk".
std::string AdditionalLinkFile(const std::string& exe);
// A standard link named by a Language text (Install Help, Homepage, Uninstall): the text
// without surrounding blanks, then ".lnk".
std::string LanguageLinkFile(LangId id);

// True when `target` starts with a URL scheme and its colon: a letter, then at least one
// more letter, digit, "+", "-" or ".", then ":". "C:\..." (a one-letter scheme) and
// relative or UNC paths are files. Such a target is linked by an Internet Shortcut file
// (".url"), which every shell opens in the user's browser; a shell link would take the
// address for a file path.
bool IsWebAddress(const std::string& target);
// `linkPath` with its ".lnk" (any letter case) replaced by ".url", or ".url" appended when
// it has no ".lnk" ending.
std::string WebLinkPath(const std::string& linkPath);
// The file a shortcut to `target` is written as: `linkPath`, or for a web address the
// same path ending in ".url" in place of ".lnk". What the Uninstall log records.
std::string ShortcutFileFor(const std::string& target, const std::string& linkPath);

}  // namespace wb
