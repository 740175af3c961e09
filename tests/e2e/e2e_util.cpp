// Project folders and setups for the end-to-end tests.
#include "e2e/e2e_util.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

namespace e2e {

std::string MakeProject(const std::string& name, const std::map<std::string, std::string>& files) {
    std::string dir = ScratchDir(name) + "/project";
    std::filesystem::create_directories(dir + "/program");
    for (const auto& [rel, bytes] : files) WriteFile(dir + "/" + rel, bytes);
    return dir;
}

int BuildSetup(const std::string& project, const std::string& setup, const std::string& stub,
               const std::string& extraArgs) {
    std::string out;
    int rc = RunHost("'" + WbpackPath() + "' build --quiet '" + project + "' -o '" + setup +
                         "' --stub '" + stub + "' " + extraArgs,
                     &out);
    if (rc != 0) fprintf(stderr, "wbpack: %s\n", out.c_str());
    return rc;
}

std::vector<std::string> NewFolders(const std::vector<std::string>& before,
                                    const std::vector<std::string>& after) {
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added;
}

void AddTempFolderSnapshot(const std::string& project, const std::string& snapshotDir) {
    std::filesystem::remove_all(snapshotDir);
    std::filesystem::remove(snapshotDir + ".where");
    WriteFile(project + "/AfterWB.exe", ReadFile(Win32BinPath("wbhook.exe")));
    WriteFile(project + "/AfterWB.cfg", "copy=" + WinPath(snapshotDir) + "\r\nmarker=" +
                                            WinPath(snapshotDir + ".where") + "\r\n");
}

std::string SnapshotSource(const std::string& snapshotDir) {
    std::string line = ReadFile(snapshotDir + ".where");
    size_t tab = line.find('\t');
    if (tab == std::string::npos) return {};
    size_t end = line.find('\t', tab + 1);
    return line.substr(tab + 1, end == std::string::npos ? std::string::npos : end - tab - 1);
}

bool GoneWithin(const std::string& linuxPath, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!std::filesystem::exists(linuxPath)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return !std::filesystem::exists(linuxPath);
}

RunResult Driver(const std::vector<std::string>& args) {
    return RunWine(Win32BinPath("wbdriver.exe"), args, 60);
}

std::string ReadProbe(const std::string& setup) { return ReadFile(setup + ".probe"); }

HeldRun::HeldRun(const std::string& name, const std::string& exe,
                 const std::vector<std::string>& args) {
    dir_ = ScratchDir("held-" + name);
    std::vector<std::string> all = {WinPath(dir_ + "/ready"), WinPath(dir_ + "/stop")};
    all.insert(all.end(), args.begin(), args.end());
    thread_ = std::thread([this, exe, all] { run_ = RunWine(exe, all, 150); });
    for (int i = 0; i < 600 && !std::filesystem::exists(dir_ + "/ready"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ready_ = std::filesystem::exists(dir_ + "/ready");
}

void HeldRun::Stop() {
    if (!thread_.joinable()) return;
    WriteFile(dir_ + "/stop", "stop");
    thread_.join();
}

}  // namespace e2e
