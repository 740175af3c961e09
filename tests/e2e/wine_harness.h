// Runs Windows programs under Wine in the test run's own prefix and maps its folders and
// registry for end-to-end tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

std::string SourceDir();     // the checkout
std::string OutDir();        // the build output (out/)
std::string PrefixDir();     // the Wine prefix of this test run (Linux path)
std::string WbpackPath();    // out/bin/wbpack

// The Windows programs under test are the 32-bit build (out/win32) in a 32-bit prefix, or,
// on machines that cannot run 32-bit Linux programs (or with WB_WINE_ARCH=win64), the 64-bit
// build (out/win64) under wine64. The prefix fixture decides once per test run.
std::string WineArch();        // "win32" or "win64"
std::string WineArchReason();  // why the fixture chose it
std::string TargetArch();      // wbpack's --arch for it: "x86" or "x64"
std::string BinDir();          // out/win32 or out/win64
std::string StubPath();        // BinDir()/wbsetup.exe
std::string ProbeStubPath();   // BinDir()/wbsetup_probe.exe: the stub that dumps its state
// A Windows program of the build under test: BinDir()/<name>.
std::string Win32BinPath(const std::string& name);
// The MinGW binutils prefix of an architecture ("win32" or "win64"), e.g. for objdump.
std::string ToolPrefix(const std::string& arch);

// A folder of the prefix as Windows sees it: "TEMP", "USERPROFILE", "APPDATA", "LOCALAPPDATA",
// "PROGRAMFILES", "COMMONFILES", "WINDIR", "ALLUSERSPROFILE".
std::string WinFolder(const std::string& name);
// The same folder as a Linux path.
std::string LinuxFolder(const std::string& name);
// Where a setup makes its temporary setup folder: Wine runs every program elevated, and an
// elevated setup works in the system's temporary folder (WINDIR\Temp), not the user's.
std::string SetupTempWin();
std::string SetupTempLinux();

// Windows path <-> Linux path inside the prefix ("C:\..." is drive_c, "Z:\..." is "/").
std::string LinuxPath(const std::string& winPath);
std::string WinPath(const std::string& linuxPath);

struct RunResult {
    int ExitCode = -1;      // the program's exit code
    bool TimedOut = false;  // killed at the time bound
    std::string Output;     // standard output and error
};

// Runs `program` (a Linux path or a Windows path) with `args` under Wine in the prefix,
// bounded by `seconds`. `env` adds variables (for example LANG) to this run only.
RunResult RunWine(const std::string& program, const std::vector<std::string>& args,
                  int seconds = 120,
                  const std::vector<std::pair<std::string, std::string>>& env = {});

// Runs `program` like RunWine while a watcher (wbdriver windows) notes every visible
// top-level window that a process of the program's file name shows, until the program
// has ended. `windowsSeen` receives one "caption<TAB>class" per window; a watcher that did
// not start is reported there too, so "no window" is never claimed unwatched.
RunResult RunWineWatched(const std::string& program, const std::vector<std::string>& args,
                         int seconds, std::vector<std::string>* windowsSeen);

// Reads a registry value through Wine's own "reg query"; `found` tells whether it exists.
// `key` is a full path such as "HKCU\Software\Wendlebox\{...}".
// An empty `value` reads the key's default value.
std::string RegRead(const std::string& key, const std::string& value, bool* found = nullptr);

// Runs a host command (sh -c), returning its exit code; output goes to `output`.
int RunHost(const std::string& command, std::string* output = nullptr);

// Folders named by a GUID in registry form directly in `linuxFolder`.
std::vector<std::string> GuidFolders(const std::string& linuxFolder);

// A fresh, empty Linux folder for one test under the build folder.
std::string ScratchDir(const std::string& name);

// `s` in lower case (ASCII), for comparing Windows names as the file system does.
std::string Lower(std::string s);

// Reads and writes whole files.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Reads "Name=Value" lines of a probe dump into pairs (the last of a name wins on lookup).
std::string ProbeValue(const std::string& probeText, const std::string& name);

}  // namespace e2e
