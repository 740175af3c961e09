// The uninstaller's entry point: the command line, the quiet run, and finishing the
// removal of its own file from a copy in the temporary folder.
//   uninstall.exe            the window (uninstall_window_win32.cpp)
//   uninstall.exe /Q         no window and no question; exit code 0, 1 or 2
//   uninstall.exe /R PID "PATH" ["FOLDER"]
//                            the copy's job: wait for process PID to end, delete PATH,
//                            then FOLDER when it is empty
#include <windows.h>

#include <string>
#include <vector>

#include "config/pref_file.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "uninstaller/removal.h"
#include "uninstaller/safe_paths.h"
#include "uninstaller/uninstall_window.h"

namespace wb {
void PrivateHeapEnd() noexcept;

namespace {

// Words of the command line after the program's name; quotes group, and are dropped.
std::vector<std::string> CommandWords() {
    std::vector<std::string> words;
    std::string line = ProcessCommandLine();
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

bool IsSwitch(const std::string& word, char letter) {
    return word.size() == 2 && (word[0] == '/' || word[0] == '-') &&
           (word[1] | 0x20) == (letter | 0x20);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

// A program's own file cannot be deleted while it runs: a copy in the temporary folder
// waits for this process to end and deletes it, then the folder when nothing else is left.
void FinishFromTemporaryCopy(const std::string& selfPath, const std::string& folder) {
    std::string temp = WithTrailingSlash(TempFolderPath());
    if (temp.size() < 2) return;
    DWORD pid = GetCurrentProcessId();
    std::string copy = temp + "wbuninst-" + DecimalText(pid) + ".exe";
    if (!CopyFileA(selfPath.c_str(), copy.c_str(), FALSE)) return;
    std::string line = "\"" + copy + "\" /R " + DecimalText(pid) + " \"" + selfPath + "\"";
    if (!IsProtectedFolder(folder, ProtectedFolders())) {
        // A trailing "\" before the closing quote would escape it for other parsers.
        std::string bare = folder;
        while (bare.size() > 3 && (bare.back() == '\\' || bare.back() == '/')) bare.pop_back();
        line += " \"" + bare + "\"";
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(copy.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        temp.c_str(), &si, &pi)) {
        DeleteFileA(copy.c_str());
        return;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

namespace {

unsigned FinishRemoval(const std::vector<std::string>& words) {
    if (words.size() < 3) return kExitIncomplete;
    DWORD pid = DWORD(ParseLeadingNumber(words[1].c_str()));
    const std::string& path = words[2];
    if (!IsAbsolutePath(path) || !EndsWithNoCase(path, ".exe")) return kExitIncomplete;
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitForSingleObject(process, 60000);
        CloseHandle(process);
    }
    // The file can stay locked a moment after its process ended.
    bool gone = false;
    for (int attempt = 0; attempt < 100 && !gone; ++attempt) {
        gone = DeleteFileA(path.c_str()) || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (!gone) Sleep(100);
    }
    if (words.size() > 3 && SamePath(FolderOf(path), words[3])) RemoveDirectoryA(words[3].c_str());
    // The copy itself goes at the next start of the system, where that is allowed.
    std::string self = ModuleFileName();
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return gone ? kExitRemoved : kExitIncomplete;
}

unsigned RunUninstaller() {
    std::vector<std::string> words = CommandWords();
    if (!words.empty() && IsSwitch(words[0], 'R')) return FinishRemoval(words);
    const std::string self = ModuleFileName();
    const std::string folder = FolderOf(self);
    bool quiet = false;
    for (const std::string& w : words) quiet = quiet || IsSwitch(w, 'Q');
    if (!quiet) return RunUninstallWindow(folder, self);
    RemovalResult result;
    int code = UninstallQuietly(folder, self, &result);
    if (result.SelfPending) FinishFromTemporaryCopy(self, folder);
    return unsigned(code);
}

}  // namespace
}  // namespace wb

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    unsigned code = wb::RunUninstaller();
    wb::PrivateHeapEnd();
    ExitProcess(code);
}
