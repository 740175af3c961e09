// An upgrade of a program installed in another folder than the one chosen now.
#pragma once

namespace wb {

// When the uninstall entry of Setup.GUID names another folder than Setup.InstallDir and
// that folder still holds this program's Uninstall log and uninstaller, that earlier copy
// is removed with its own uninstaller ("/Q") before the new files are unpacked: its entry
// is about to be overwritten by this installation's, which would leave it unremovable.
// When it cannot be removed, the install log says what stays and how to remove it. An
// elevated run never starts an uninstaller from a folder ordinary users can write: it
// leaves that copy and says so in the install log.
void RemoveEarlierCopyElsewhere();

}  // namespace wb
