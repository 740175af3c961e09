// Registry text helpers: the string reads and writes that the setup description, the
// special folders and the install tasks make.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace wb {

// Size of the buffer a registry text is read into; a string of this many characters or
// more (with its NUL) does not fit and reads as empty.
constexpr uint32_t kRegTextCapacity = 255;

// The text of value `name` (empty or nullptr: the key's default value) of `key`, without
// its terminating NUL. Empty when the key or value is missing or the data does not fit
// in kRegTextCapacity bytes. The value's type is not examined.
std::string RegReadText(RegRoot root, const char* key, const char* name);

// Creates or opens `key` (missing parents too) and sets `name` to the string `text`.
// Returns 0 when the key cannot be created or opened, 1 when the value cannot be set,
// 2 on success.
int RegWriteText(RegRoot root, const char* key, const char* name, const char* text);

// The folder (ending in "\") where the program of uninstall entry `guid` is installed, by
// the entry's InstallLocation, else the folder of its UninstallString; empty when there is
// no such entry or `guid` is empty. `root` holds the entry: the machine's list, or the
// current user's for a per-user installation.
std::string InstalledFolderOf(const std::string& guid, RegRoot root = RegRoot::LocalMachine);

// The root for a predefined root-key number as written in setup files (0x80000000
// classes root, 0x80000001 current user, 0x80000002 local machine); false for others.
bool RegRootFromNumber(uint32_t number, RegRoot& root) noexcept;

}  // namespace wb
