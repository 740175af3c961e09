// Registry: reads and writes of values under the three roots the installer uses.
#pragma once

#include <cstdint>

namespace wb {

enum class RegRoot : uint8_t { ClassesRoot, CurrentUser, LocalMachine };
enum class RegAccess : uint8_t { Read, Full };

// Opens `key` under `root` with `access` and reads value `name` (nullptr or "" for the
// default value) into `buffer`. Returns false when the key cannot be opened, the value is
// missing, or its data does not fit in `capacity`; `length` receives the data length.
// The value's type is not examined.
[[nodiscard]] bool RegQuery(RegRoot root, const char* key, const char* name, RegAccess access,
                            char* buffer, uint32_t capacity, uint32_t& length) noexcept;

// Creates (or opens) `key`, creating missing parents, and sets `name` to a string value.
// Returns 0 when the key cannot be created or opened, 1 when the value cannot be set,
// 2 on success.
int RegSetString(RegRoot root, const char* key, const char* name, const char* text) noexcept;

// As RegSetString, for a REG_DWORD value.
int RegSetNumber(RegRoot root, const char* key, const char* name, uint32_t number) noexcept;

// Removes value `name` (nullptr or "": the default value) of `key`. True when the value is
// gone afterwards, also when it or its key never existed; false when it stays.
bool RegRemoveValue(RegRoot root, const char* key, const char* name) noexcept;
// Removes `key` with all its subkeys and values. True when the key is gone afterwards;
// an empty key (the root itself) is never removed and gives false.
bool RegRemoveKeyTree(RegRoot root, const char* key) noexcept;
// Removes `key` when it holds neither values nor subkeys, then each parent that is left
// empty that way. Keys directly under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (such as
// "Software") always stay. True unless an empty key could not be removed.
bool RegRemoveEmptyKeys(RegRoot root, const char* key) noexcept;

}  // namespace wb
