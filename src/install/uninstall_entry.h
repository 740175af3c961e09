// The program's entry in the system's list of installed programs.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Writes the uninstall entry under HKEY_LOCAL_MACHINE, named by Setup.GUID or, when that
// is empty, by `fallbackName`. Nothing is written when Setup.NoUninstall is set or the
// entry would have no name; a key that cannot be created is given up silently.
// `uninstallCommand` is stored in double quotes unless it already starts with one.
// After these seven come the values deployment tools read: DisplayVersion (Setup.Version),
// InstallLocation (Setup.InstallDir), QuietUninstallString (the command and " /Q"),
// EstimatedSize (REG_DWORD, KiB of Setup.InstalledBytes), InstallDate (local YYYYMMDD),
// NoModify and NoRepair (REG_DWORD 1).
void RegisterUninstall(const std::string& fallbackName, const std::string& displayName,
                       const std::string& publisher, const std::string& webAddress,
                       const std::string& contact, const std::string& icon,
                       const std::string& uninstallCommand);

// `bytes` in KiB, rounded up, at most what a REG_DWORD holds.
uint32_t SizeInKiB(int64_t bytes);

}  // namespace wb
