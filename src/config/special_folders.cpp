// Special folders and Path macros over the shell, system and registry services.
#include "config/special_folders.h"

#include "config/registry_text.h"
#include "platform/registry.h"
#include "platform/scope.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace wb {
namespace {

constexpr uint32_t kMaxPath = 260;
constexpr int32_t kFolderLocalAppData = 28;  // CSIDL_LOCAL_APPDATA
constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// The folder of the program registered for `verb` of Fernscope.exe, from a command of
// the form "C:\...\Fernscope.exe" "%1".
std::string FernscopeFolder(const char* verb) {
    // Bits 16..23 of the version number tell which registry layout the system has.
    bool classesRoot = ((SystemVersion() >> 16) & 0xFFu) != 0;
    std::string key = classesRoot ? "Applications\\Fernscope.exe\\shell\\"
                                  : "Software\\Classes\\Fernscope.exe\\shell\\";
    key += verb;
    key += "\\command";
    char buffer[kMaxPath];
    uint32_t length = 0;
    if (!RegQuery(classesRoot ? RegRoot::ClassesRoot : RegRoot::LocalMachine, key.c_str(),
                  nullptr, RegAccess::Full, buffer, sizeof buffer, length)) {
        return {};
    }
    if (length > sizeof buffer) return {};
    std::string command = TextBeforeNul(buffer, length);
    // Drop the opening quote and the six characters of `" "%1"`.
    if (command.size() < 7) return {};
    std::string program = command.substr(1, command.size() - 7);
    size_t slash = program.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return program.substr(0, slash + 1);
}

std::string FolderFor(int32_t code) {
    switch (code) {
        case kFolderCurrent: return CurrentFolderPath();
        case kFolderSystem: return SystemFolderPath();
        case kFolderWindows: return WindowsFolderPath();
        case kFolderTemp: return TempFolderPath();
        case kFolderQuickLaunch: {
            std::string appData = SpecialFolder(kFolderAppData);
            // Without the application-data folder there is no Quick Launch folder either.
            if (appData.empty()) return {};
            return appData + "Microsoft\\Internet Explorer\\Quick Launch\\";
        }
        case kFolderProgramFiles:
            return RegReadText(RegRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesDir");
        case kFolderCommonFiles:
            return RegReadText(RegRoot::LocalMachine, kCurrentVersionKey, "CommonFilesDir");
        default: return ShellFolderPath(code);
    }
}

}  // namespace

std::string SpecialFolder(int32_t code) {
    if (code == kFolderFernscopeOpen) return FernscopeFolder("open");
    if (code == kFolderFernscopeEdit) return FernscopeFolder("edit");
    std::string folder = FolderFor(code);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

std::string UserProgramsFolder() {
    std::string folder = UserProgramFilesPath();
    if (folder.empty()) {
        const std::string local = SpecialFolder(kFolderLocalAppData);
        if (local.empty()) return local;
        folder = local + "Programs";
    }
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

std::string SystemProgramPath(const char* name) {
    const std::string folder = SpecialFolder(kFolderSystem);
    return folder.empty() ? folder : folder + name;
}

std::string ExpandPathMacros(const std::string& path, bool relativeUnderProgramFiles) {
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return path;
    size_t percents = 0;
    for (char c : path) percents += c == '%';
    if (percents < 2 && relativeUnderProgramFiles) {
        return SpecialFolder(kFolderProgramFiles) + path;
    }
    std::string result = path;
    // Every folder is determined on each call, even for macros the path lacks; callers
    // expand only a handful of paths per run.
    for (const PathMacro& m : kPathMacros) result = ReplaceAll(std::move(result), m.Macro, SpecialFolder(m.Code));
    return result;
}

std::string ExpandInstallMacros(const std::string& text, const std::string& startMenuDir,
                                const std::string& installDir) {
    std::string result = ReplaceAll(text, "%StartMenuDir%", startMenuDir);
    result = ReplaceAll(std::move(result), "%InstallDir%", installDir);
    return ReplaceAll(std::move(result), "%ProgDir%", installDir);
}

}  // namespace wb
