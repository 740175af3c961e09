// What an installation with administrator rights may trust: nothing that an ordinary user
// could have put or changed. A folder outside the machine's program-files folders (a
// per-user installation, "C:\Tools") may be writable by every user, so a program or an
// Uninstall log found there must not act with the installer's rights.
#pragma once

#include <string>

namespace wb {

// True when this process runs with administrator rights (an unknown answer counts as
// elevated: nothing is trusted that need not be).
bool RunsElevated();

// True when `path` lies below one of the folders only administrators can write
// (AdminOnlyFolders): a drive path, compared without regard to case, with no "." or ".."
// part and no "~" (a short name could hide where it leads). Anything else counts as
// writable by ordinary users.
bool OnlyAdministratorsWrite(const std::string& path);

}  // namespace wb
