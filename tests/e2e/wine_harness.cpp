// The Wine side of the end-to-end tests: one prefix per test run, a time bound per program.
#include "e2e/wine_harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// The environment and the loader of every Wine command; the 64-bit loader is named so
// that nothing falls back to the 32-bit half on a machine that cannot run it.
std::string WineCommand() {
    std::string env = "WINEPREFIX=" + ShellQuote(PrefixDir()) + " WINEARCH=" + WineArch() +
                      " WINEDEBUG=-all WINEDLLOVERRIDES='winemenubuilder.exe=d;msscript.ocx=d;mscoree,mshtml=' ";
    if (WineArch() == "win64") {
        return env + "WINELOADER=/usr/lib/wine/wine64 ";
    }
    return env;
}

std::string WineLoader() { return WineArch() == "win64" ? "/usr/lib/wine/wine64" : "wine"; }

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string SourceDir() { return WB_SOURCE_DIR; }
std::string OutDir() { return WB_OUT_DIR; }
std::string PrefixDir() { return WB_PREFIX_DIR; }
std::string WbpackPath() { return OutDir() + "/bin/wbpack"; }

std::string WineArch() {
    static const std::string arch = [] {
        std::string a = FirstLine(PrefixDir() + "/wb-arch.txt");
        if (a != "win32" && a != "win64") {
            throw std::runtime_error("prefix names no architecture (run the prefix fixture)");
        }
        return a;
    }();
    return arch;
}

std::string WineArchReason() {
    std::ifstream in(PrefixDir() + "/wb-arch.txt");
    std::string arch, reason;
    std::getline(in, arch);
    std::getline(in, reason);
    return reason;
}

std::string TargetArch() { return WineArch() == "win64" ? "x64" : "x86"; }
std::string BinDir() { return OutDir() + "/" + WineArch(); }
std::string StubPath() { return BinDir() + "/wbsetup.exe"; }
std::string ProbeStubPath() { return BinDir() + "/wbsetup_probe.exe"; }
std::string Win32BinPath(const std::string& name) { return BinDir() + "/" + name; }
std::string ToolPrefix(const std::string& arch) {
    return arch == "win64" ? "x86_64-w64-mingw32-" : "i686-w64-mingw32-";
}

std::string WinFolder(const std::string& name) {
    std::ifstream in(PrefixDir() + "/wb-folders.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
    }
    throw std::runtime_error("prefix has no folder " + name);
}

std::string LinuxFolder(const std::string& name) { return LinuxPath(WinFolder(name)); }

std::string SetupTempWin() { return WinFolder("WINDIR") + "\\Temp"; }
std::string SetupTempLinux() { return LinuxPath(SetupTempWin()); }

std::string LinuxPath(const std::string& winPath) {
    if (winPath.size() < 2 || winPath[1] != ':') return winPath;
    char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(winPath[0])));
    std::string rest = winPath.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if (drive == 'z') return rest.empty() ? "/" : rest;
    // Windows names are case-insensitive: resolve each part against what is on disk.
    fs::path path = fs::path(PrefixDir()) / "drive_c";
    std::stringstream parts(rest);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        fs::path next = path / part;
        if (!fs::exists(next) && fs::is_directory(path)) {
            for (const auto& e : fs::directory_iterator(path)) {
                if (Lower(e.path().filename().string()) == Lower(part)) {
                    next = e.path();
                    break;
                }
            }
        }
        path = next;
    }
    std::string result = path.string();
    if (!winPath.empty() && (winPath.back() == '\\' || winPath.back() == '/')) result += '/';
    return result;
}

std::string WinPath(const std::string& linuxPath) {
    std::string driveC = PrefixDir() + "/drive_c";
    std::string tail;
    std::string prefix;
    if (linuxPath.rfind(driveC, 0) == 0) {
        prefix = "C:";
        tail = linuxPath.substr(driveC.size());
    } else {
        prefix = "Z:";
        tail = linuxPath;
    }
    std::replace(tail.begin(), tail.end(), '/', '\\');
    if (tail.empty()) tail = "\\";
    return prefix + tail;
}

int RunHost(const std::string& command, std::string* output) {
    // Output goes through a file, not a pipe: a program may leave a process behind that
    // inherited the pipe (Wine's server, started by whichever program came first), and a
    // pipe read would then wait for that process to end.
    char name[] = "/tmp/wb-e2e-out-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return -1;
    close(fd);
    int status = std::system((command + " >" + ShellQuote(name) + " 2>&1 </dev/null").c_str());
    if (output) *output = ReadFile(name);
    unlink(name);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult RunWine(const std::string& program, const std::vector<std::string>& args, int seconds,
                  const std::vector<std::pair<std::string, std::string>>& env) {
    std::string cmd = WineCommand();
    for (const auto& [name, value] : env) cmd += name + "=" + ShellQuote(value) + " ";
    cmd += "timeout -k 5 " + std::to_string(seconds) + " " + WineLoader() + " " +
           ShellQuote(program);
    for (const std::string& a : args) cmd += " " + ShellQuote(a);
    RunResult r;
    r.ExitCode = RunHost(cmd, &r.Output);
    r.TimedOut = r.ExitCode == 124 || r.ExitCode == 137;
    return r;
}

RunResult RunWineWatched(const std::string& program, const std::vector<std::string>& args,
                         int seconds, std::vector<std::string>* windowsSeen) {
    static int watches = 0;
    std::string dir = ScratchDir("watch-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(++watches));
    std::string ready = dir + "/ready", stop = dir + "/stop";
    std::string exe = program.substr(program.find_last_of("/\\") + 1);
    RunResult watch;
    std::thread watcher([&] {
        watch = RunWine(Win32BinPath("wbdriver.exe"),
                        {"windows", exe, WinPath(ready), WinPath(stop),
                         std::to_string(seconds + 30)},
                        seconds + 60);
    });
    bool watching = false;
    for (int i = 0; i < 600 && !watching; ++i) {
        watching = fs::exists(ready);
        if (!watching) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    RunResult r = RunWine(program, args, seconds);
    WriteFile(stop, "stop");
    watcher.join();
    if (windowsSeen) {
        windowsSeen->clear();
        if (!watching || watch.ExitCode != 0) {
            windowsSeen->push_back("(the window watcher did not run: " + watch.Output + ")");
        }
        std::stringstream lines(watch.Output);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("window\t", 0) == 0) windowsSeen->push_back(line.substr(7));
        }
    }
    return r;
}

std::string RegRead(const std::string& key, const std::string& value, bool* found) {
    std::string out;
    // An empty value name asks for the key's default value, which reg shows as "(Default)".
    const std::string which = value.empty() ? " /ve" : " /v " + ShellQuote(value);
    const std::string shown = value.empty() ? "(default)" : Lower(value);
    std::string cmd = WineCommand() + "timeout -k 5 60 " + WineLoader() + " reg query " +
                      ShellQuote(key) + which;
    int rc = RunHost(cmd, &out);
    if (found) *found = false;
    if (rc != 0) return {};
    // Lines look like "    Name    REG_SZ    Data".
    std::stringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t type = line.find("    REG_");
        if (type == std::string::npos) continue;
        std::string name = line.substr(0, type);
        name.erase(0, name.find_first_not_of(' '));
        if (Lower(name) != shown) continue;
        size_t data = line.find("    ", type + 4);
        if (found) *found = true;
        return data == std::string::npos ? std::string() : line.substr(data + 4);
    }
    return {};
}

std::vector<std::string> GuidFolders(const std::string& linuxFolder) {
    std::vector<std::string> names;
    if (!fs::is_directory(linuxFolder)) return names;
    for (const auto& e : fs::directory_iterator(linuxFolder)) {
        std::string n = e.path().filename().string();
        if (e.is_directory() && n.size() == 38 && n.front() == '{' && n.back() == '}' &&
            n[9] == '-' && n[14] == '-' && n[19] == '-' && n[24] == '-') {
            names.push_back(n);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ScratchDir(const std::string& name) {
    fs::path dir = fs::path(PrefixDir()).parent_path() / "e2e-scratch" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ProbeValue(const std::string& probeText, const std::string& name) {
    std::stringstream lines(probeText);
    std::string line, result;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(name + "=", 0) == 0) result = line.substr(name.size() + 1);
    }
    return result;
}

}  // namespace e2e
