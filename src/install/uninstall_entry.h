// The program's entry in the system's list of installed programs.
#pragma once

#include <string>

namespace wb {

// Writes the uninstall entry under HKEY_LOCAL_MACHINE, named by Setup.GUID or, when that
// is empty, by `fallbackName`. Nothing is written when Setup.NoUninstall is set or the
// entry would have no name; a key that cannot be created is given up silently.
// `uninstallCommand` is stored in double quotes unless it already starts with one.
void RegisterUninstall(const std::string& fallbackName, const std::string& displayName,
                       const std::string& publisher, const std::string& webAddress,
                       const std::string& contact, const std::string& icon,
                       const std::string& uninstallCommand);

}  // namespace wb
