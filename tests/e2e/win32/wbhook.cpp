// Test Hook program: copied into a setup under the names BeforeWB.exe, WhileWB.exe and
// AfterWB.exe. A file beside it named after itself ("BeforeWB.cfg" for BeforeWB.exe)
// says what to do, one "key=value" per line:
//   exit=N        end with exit code N (default 0)
//   marker=PATH   append "NAME<TAB>working folder<TAB>argument count" to PATH
//   copy=FOLDER   copy the folder it was started from, sub-folders too, into FOLDER
//   hold=SECONDS  keep running that long before ending
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string SelfPath() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ReadText(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

std::string Setting(const std::string& config, const std::string& key) {
    size_t at = 0;
    while (at < config.size()) {
        size_t end = config.find('\n', at);
        if (end == std::string::npos) end = config.size();
        std::string line = config.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
        at = end + 1;
    }
    return {};
}

// Copies `from` (ending in "\") into `to` (ending in "\"), creating folders as needed;
// CopyFileA keeps the files' times.
void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.substr(0, to.size() - 1).c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((from + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CopyTree(from + name + "\\", to + name + "\\");
        } else {
            CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

}  // namespace

int main(int argc, char**) {
    std::string self = SelfPath();
    size_t slash = self.find_last_of('\\');
    std::string folder = self.substr(0, slash + 1);
    std::string name = self.substr(slash + 1);
    std::string stem = name.substr(0, name.find_last_of('.'));
    std::string config = ReadText(folder + stem + ".cfg");

    std::string marker = Setting(config, "marker");
    if (!marker.empty()) {
        char cwd[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        if (FILE* f = std::fopen(marker.c_str(), "ab")) {
            std::fprintf(f, "%s\t%s\t%d\r\n", name.c_str(), cwd, argc - 1);
            std::fclose(f);
        }
    }
    std::string copy = Setting(config, "copy");
    if (!copy.empty()) {
        if (copy.back() != '\\') copy += '\\';
        CopyTree(folder, copy);
    }
    std::string hold = Setting(config, "hold");
    if (!hold.empty()) Sleep(DWORD(std::atoi(hold.c_str())) * 1000);
    std::string code = Setting(config, "exit");
    return code.empty() ? 0 : std::atoi(code.c_str());
}
