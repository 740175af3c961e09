// The process fake: command line, module path, mutexes and environment held in memory.
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "fakes/fakes.h"
#include "platform/process.h"

namespace wb {
namespace {

struct ProcessFake {
    std::string CommandLine = "wbsetup.exe";
    std::string CommandLineUtf8;  // empty: the same as CommandLine
    std::string ModulePath = "C:\\wbsetup.exe";
    std::set<std::string> Mutexes;
    std::map<std::string, std::string> Environment;
    int MutexQueries = 0;
    std::vector<std::string> Runs;
    bool RunStarts = true;
    uint32_t RunExitCode = 0;
    uint32_t Id = 4242;
    std::vector<uint32_t> Waits;
    std::vector<std::string> DeletesAtRestart;
};

ProcessFake g_process;

}  // namespace

std::string ModuleFileName() { return g_process.ModulePath; }
std::string ProcessCommandLine() { return g_process.CommandLine; }
std::string ProcessCommandLineUtf8() {
    return g_process.CommandLineUtf8.empty() ? g_process.CommandLine : g_process.CommandLineUtf8;
}

bool MutexExists(const char* name) noexcept {
    ++g_process.MutexQueries;
    return name && g_process.Mutexes.count(name) != 0;
}

bool SetProcessEnvironment(const char* name, const char* value) noexcept {
    if (!name) return false;
    try {
        g_process.Environment[name] = value ? value : "";
    } catch (...) {
        return false;
    }
    return true;
}

bool RunAndWait(const char* program, const char* parameters, uint32_t& exitCode) noexcept {
    exitCode = 0;
    try {
        g_process.Runs.push_back(std::string(program ? program : "") + " " +
                                 (parameters ? parameters : ""));
    } catch (...) {
        return false;
    }
    if (!g_process.RunStarts) return false;
    exitCode = g_process.RunExitCode;
    return true;
}

uint32_t CurrentProcessId() noexcept { return g_process.Id; }

bool WaitForProcessEnd(uint32_t id, unsigned) noexcept {
    try {
        g_process.Waits.push_back(id);
    } catch (...) {
    }
    return true;
}

bool FileDeleteAtRestart(const char* path) noexcept {
    try {
        g_process.DeletesAtRestart.push_back(path ? path : "");
    } catch (...) {
        return false;
    }
    return true;
}

// Tests check the code with a death test (EXPECT_EXIT).
void ExitProcessWith(unsigned code) noexcept { std::_Exit(int(code)); }

namespace fake {

void ProcessReset() { g_process = ProcessFake{}; }
void ProcessSetCommandLine(const std::string& commandLine) { g_process.CommandLine = commandLine; }
void ProcessSetCommandLineUtf8(const std::string& commandLine) {
    g_process.CommandLineUtf8 = commandLine;
}
void ProcessSetModulePath(const std::string& path) { g_process.ModulePath = path; }
void ProcessSetMutexExists(const std::string& name, bool exists) {
    if (exists) {
        g_process.Mutexes.insert(name);
    } else {
        g_process.Mutexes.erase(name);
    }
}
std::string ProcessEnvironment(const std::string& name) {
    auto it = g_process.Environment.find(name);
    return it == g_process.Environment.end() ? std::string() : it->second;
}
int ProcessMutexQueryCount() { return g_process.MutexQueries; }
void ProcessSetRunResult(bool starts, uint32_t exitCode) {
    g_process.RunStarts = starts;
    g_process.RunExitCode = exitCode;
}
std::vector<std::string> ProcessRuns() { return g_process.Runs; }
std::vector<uint32_t> ProcessWaits() { return g_process.Waits; }
std::vector<std::string> ProcessDeletesAtRestart() { return g_process.DeletesAtRestart; }

}  // namespace fake
}  // namespace wb
