// The uninstaller's command line, its quiet run, and finishing the removal of its own file
// from a copy in the temporary folder.
#include "uninstaller/uninstaller_run.h"

#include <cstdint>

#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/process.h"
#include "platform/scope.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "uninstaller/removal.h"
#include "uninstaller/safe_paths.h"
#include "uninstaller/uninstall_window.h"

namespace wb {
namespace {

// How long the copy waits for the uninstaller to end, and how often it tries to delete
// its file, which can stay locked a moment after its process ended.
constexpr unsigned kWaitForEnd = 60000;
constexpr int kDeleteAttempts = 100;
constexpr unsigned kDeletePause = 100;
constexpr uint32_t kCopyFolderAttempts = 20;

}  // namespace

bool IsSwitch(const std::string& word, char letter) {
    return word.size() == 2 && (word[0] == '/' || word[0] == '-') &&
           (word[1] | 0x20) == (letter | 0x20);
}

bool IsLogSwitch(const std::string& word, std::string& path) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-') || (word[1] | 0x20) != 'l') {
        return false;
    }
    path = word.size() > 3 ? word.substr(3) : std::string();
    return true;
}

bool StartUninstallLog(const std::vector<std::string>& words, const std::string& self, bool quiet) {
    bool requested = false;
    std::string path;
    for (const std::string& w : words) requested = IsLogSwitch(w, path) || requested;
    if (!requested ||
        OpenRequestedLog(path, WithTrailingSlash(TempFolderPath()), "Wendlebox Uninstall Log")
            .empty()) {
        return false;
    }
    LogLine("Uninstaller: " + self);
    LogLine("Command line: " + ProcessCommandLine());
    LogLine(quiet ? "Quiet run (/Q)" : "Window run");
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> CommandWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    bool first = true;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                word.push_back(line[i]);
            }
            ++i;
        }
        if (!first) words.push_back(word);
        first = false;
    }
    return words;
}

std::string TemporaryCopyFolder(bool elevated, uint32_t pid) {
    if (!elevated) return WithTrailingSlash(TempFolderPath());
    std::string systemTemp = WithTrailingSlash(WindowsFolderPath());
    if (systemTemp.size() < 2) return std::string();
    systemTemp += "Temp\\";
    // A folder of that name that is already there may have been made by anyone.
    for (uint32_t n = 1; n <= kCopyFolderAttempts; ++n) {
        const std::string folder = systemTemp + kCopyFolderPrefix + DecimalText(pid) + "-" +
                                   DecimalText(n);
        if (CreateAdminOnlyFolder(folder.c_str())) return folder + "\\";
    }
    return std::string();
}

// A program's own file cannot be deleted while it runs: a copy in the temporary folder
// waits for this process to end and deletes it, then the folder when nothing else is left.
void FinishFromTemporaryCopy(const std::string& selfPath, const std::string& folder) {
    const uint32_t pid = CurrentProcessId();
    // With administrator rights the copy runs elevated too: from the user's temporary
    // folder any program of the user could swap the file before it starts.
    const bool elevated = ProcessElevation() == 1;
    std::string temp = TemporaryCopyFolder(elevated, pid);
    if (temp.size() < 2) {
        LogLine("No folder for the temporary copy that removes " + selfPath + ": it stays");
        return;
    }
    std::string copy = temp + "wbuninst-" + DecimalText(pid) + ".exe";
    if (!FileCopy(selfPath.c_str(), copy.c_str())) return;
    std::string line = "\"" + copy + "\" /R " + DecimalText(pid) + " \"" + selfPath + "\"";
    if (!IsProtectedFolder(folder, ProtectedFolders())) {
        // A trailing "\" before the closing quote would escape it for other parsers.
        std::string bare = folder;
        while (bare.size() > 3 && (bare.back() == '\\' || bare.back() == '/')) bare.pop_back();
        line += " \"" + bare + "\"";
    }
    LaunchedProcess started;
    if (!LaunchProcess(line.c_str(), temp.c_str(), started)) {
        FileDelete(copy.c_str());
        if (elevated) FolderRemove(temp.c_str());
        return;
    }
    ProcessRelease(started.Process);
}

unsigned FinishRemoval(const std::vector<std::string>& words) {
    if (words.size() < 3) return kExitIncomplete;
    const uint32_t pid = uint32_t(ParseLeadingNumber(words[1]));
    const std::string& path = words[2];
    if (!IsAbsolutePath(path) || !EndsWithNoCase(path, ".exe")) return kExitIncomplete;
    WaitForProcessEnd(pid, kWaitForEnd);
    bool gone = false;
    for (int attempt = 0; attempt < kDeleteAttempts && !gone; ++attempt) {
        gone = FileDelete(path.c_str()) || PathLength(path.c_str()) == -1;
        if (!gone) PauseMilliseconds(kDeletePause);
    }
    if (words.size() > 3 && SamePath(FolderOf(path), words[3])) FolderRemove(words[3].c_str());
    // The copy itself goes at the next start of the system, where that is allowed, and
    // with it the folder an elevated uninstaller made for it.
    const std::string copy = ModuleFileName();
    FileDeleteAtRestart(copy.c_str());
    std::string copyFolder = FolderOf(copy);
    while (copyFolder.size() > 3 && (copyFolder.back() == '\\' || copyFolder.back() == '/')) {
        copyFolder.pop_back();
    }
    if (FileNamePart(copyFolder).rfind(kCopyFolderPrefix, 0) == 0) {
        FileDeleteAtRestart(copyFolder.c_str());
    }
    return gone ? kExitRemoved : kExitIncomplete;
}

}  // namespace wb
