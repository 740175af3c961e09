// Special folders and Path macros: system folders by number, and %Name% placeholders in
// paths of the setup description and the install tasks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace wb {

// Folder codes of our own; other numbers are the shell's special-folder numbers.
enum : int32_t {
    kFolderCurrent = -1,
    kFolderSystem = -2,
    kFolderWindows = -3,
    kFolderTemp = -4,
    kFolderQuickLaunch = -5,
    kFolderProgramFiles = -6,
    kFolderFernscopeOpen = -7,
    kFolderFernscopeEdit = -8,
    kFolderDesktop = 0,
    kFolderPrograms = 2,
    kFolderDocuments = 5,
    kFolderStartup = 7,
    kFolderFonts = 20,
    kFolderCommonPrograms = 23,
    kFolderAppData = 26,
    kFolderCommonFiles = 43,
};

// The Path macros of the first stage, in the order ExpandPathMacros replaces them.
struct PathMacro {
    const char* Macro;
    int32_t Code;
};
inline constexpr PathMacro kPathMacros[] = {
    {"%ProgramFiles%", kFolderProgramFiles}, {"%Windows%", kFolderWindows},
    {"%System%", kFolderSystem},             {"%CommonFiles%", kFolderCommonFiles},
    {"%AppData%", kFolderAppData},           {"%StartUp%", kFolderStartup},
    {"%QuickLaunch%", kFolderQuickLaunch},   {"%MyDocuments%", kFolderDocuments},
    {"%Fernscope%", kFolderFernscopeOpen},   {"%Fonts%", kFolderFonts},
};

// The folder for `code`, ending in "\"; empty when it cannot be determined.
std::string SpecialFolder(int32_t code);

// The user's own program folder, ending in "\": the known folder UserProgramFiles, else
// "Programs" in the user's local application-data folder (systems before Windows 7 know
// no such folder). Empty when neither can be determined.
std::string UserProgramsFolder();

// `name` in the system folder. System programs (regsvr32, RunDll32) start by this full
// path, never by a bare name that a search would look for in the setup's own folder (a
// downloads folder) first. Empty when the system folder cannot be determined.
std::string SystemProgramPath(const char* name);

// Expands the Path macros of `path`. A drive path ("X:\...") is returned unchanged; a
// path with fewer than two "%" is placed under the program-files folder when
// `relativeUnderProgramFiles` is set; otherwise every macro is replaced (case-sensitive)
// by its folder, an undeterminable folder by nothing.
std::string ExpandPathMacros(const std::string& path, bool relativeUnderProgramFiles);

// Replaces every occurrence of `what` (case-sensitive, left to right, replaced text not
// searched again). An empty `what` changes nothing.
inline std::string ReplaceText(std::string text, std::string_view what, std::string_view with) {
    return ReplaceAll(std::move(text), what, with);
}

// The install-time macros, in this order: "%StartMenuDir%" by `startMenuDir`, then
// "%InstallDir%" and "%ProgDir%" by `installDir`.
std::string ExpandInstallMacros(const std::string& text, const std::string& startMenuDir,
                                const std::string& installDir);

}  // namespace wb
