// Shell shortcuts: one writer for every shortcut file (.lnk, or .url for a web address), and
// the program's Start-menu folder.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// The icon that a web link without an icon of its own gets as a shell link: the system's
// URL handler.
constexpr char kWebLinkIconFile[] = "C:\\WINDOWS\\system32\\url.dll";


// Writes the shortcut `linkPath` through the system's shell-link object. An icon file of
// "|" stands for the target; icon index -1 means 0. The link's folder must exist. 1 when
// the object could be asked to save itself, 0 when the object is not available.
// A web address as the target is written as an Internet Shortcut at
// ShortcutFileFor(target, linkPath) instead, with the icon lines only for an icon file
// other than "|" and kWebLinkIconFile (the shell then shows the browser's icon); 1 when
// that file was written, 0 when not. Working folder, arguments, show state, description
// and hot key have no place in it.
int CreateShortcut(const std::string& target, const std::string& linkPath,
                   const std::string& workDir, const std::string& arguments, int showCmd,
                   const std::string& description, uint16_t hotKey,
                   const std::string& iconFile, int iconIndex);

// Creates the program's Start-menu folder under the Programs folder with its standard
// links (program, additional program, help, homepage, uninstaller, as group StartMenue of
// setup.ini asks), and sets Setup.StartMenuDir and Setup.AdditionalExe. `folderName` may be
// empty (then ProgExe up to its first ".") or end in "\". The program's link is named by
// Setup.ProgLink, or by ProgExe up to its first "." when that is empty, as the Uninstall
// log names it. Without a Programs folder or a folder name nothing is made and
// StartMenuDir is left empty.
void CreateStartMenuEntries(const std::string& folderName);

}  // namespace wb
