// The program's entry in the system's list of installed programs.
#pragma once

#include <string>

namespace wb {

// Writes the uninstall entry under HKEY_LOCAL_MACHINE, named by Setup.GUID or, when that
// is empty, by `fallbackName`.
void RegisterUninstall(const std::string& fallbackName, const std::string& displayName,
                       const std::string& publisher, const std::string& webAddress,
                       const std::string& contact, const std::string& icon,
                       const std::string& uninstallCommand);

}  // namespace wb
