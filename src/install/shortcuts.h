// Shell shortcuts: one writer for every .lnk file, and the program's Start-menu folder.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Writes the shortcut `linkPath` through the system's shell-link object. An icon file of
// "|" stands for the target; icon index -1 means 0. The link's folder must exist. 1 when
// the object could be asked to save itself, 0 when the object is not available.
int CreateShortcut(const std::string& target, const std::string& linkPath,
                   const std::string& workDir, const std::string& arguments, int showCmd,
                   const std::string& description, uint16_t hotKey,
                   const std::string& iconFile, int iconIndex);

// Creates the program's Start-menu folder under the Programs folder with its standard
// links, and sets Setup.StartMenuDir. `folderName` may be empty or end in "\".
void CreateStartMenuEntries(const std::string& folderName);

}  // namespace wb
