// The folder requester of the program folder's Change button, and the rule that completes
// its answer with the program folder name.
#pragma once

#include <string>

namespace wb {

// The start folder as the browser gets it: at most 259 characters, without a trailing
// backslash unless it is a drive root of three characters.
std::string FolderRequesterStart(const std::string& start);

// Lets the user pick a folder, starting at `start` (may be empty); the chosen folder ends
// in a backslash; empty when cancelled or when the item is no file-system folder.
std::string ChooseFolder(const std::string& start, const std::string& instruction);

// Appends `leaf` (the program folder name) unless `chosen` already ends with it, with or
// without a backslash after it; empty stays empty.
std::string CompleteProgramFolderChoice(const std::string& chosen, const std::string& leaf);

}  // namespace wb
