// The launch fake: processes that exist only as records, a settable process list, and a
// counted restart question.
#include <deque>
#include <map>

#include "fakes/fakes.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/reboot.h"

namespace wb {

struct PlatformProcess {
    uint32_t ExitCode = 0;
    bool Running = true;
    bool Released = false;
};

namespace {

constexpr uint32_t kStillActive = 259;

struct LaunchFake {
    bool FailProcess = false;
    bool FailShell = false;
    bool ShellNoProcess = false;
    std::map<std::string, uint32_t> ExitCodes;
    std::vector<fake::LaunchCall> Calls;
    std::deque<PlatformProcess> Processes;
    int Waits = 0;
    int DoubleReleases = 0;
    std::vector<uint32_t> Terminations;
    unsigned Paused = 0;
    std::vector<std::string> Names;
    bool NamesAvailable = true;
    int RebootPrompts = 0;
};

LaunchFake g_launch;

PlatformProcess* NewProcess(const std::string& text) {
    PlatformProcess p;
    for (const auto& [needle, code] : g_launch.ExitCodes) {
        if (text.find(needle) != std::string::npos) p.ExitCode = code;
    }
    g_launch.Processes.push_back(p);
    return &g_launch.Processes.back();
}

bool Existed(const char* folder) { return folder && *folder && FolderExists(folder); }

}  // namespace

bool LaunchProcess(const char* commandLine, const char* workDir, LaunchedProcess& out) noexcept {
    fake::LaunchCall call;
    call.CommandLine = commandLine ? commandLine : "";
    call.WorkDir = workDir ? workDir : "";
    call.WorkDirExisted = Existed(workDir);
    call.Started = !g_launch.FailProcess;
    g_launch.Calls.push_back(call);
    if (!call.Started) return false;
    out.Process = NewProcess(call.CommandLine);
    out.Id = static_cast<int32_t>(g_launch.Processes.size()) + 1000;
    return true;
}

bool LaunchShellOpen(const char* file, const char* parameters, const char* workDir,
                     LaunchedProcess& out) noexcept {
    fake::LaunchCall call;
    call.Shell = true;
    call.File = file ? file : "";
    call.Parameters = parameters ? parameters : "";
    call.WorkDir = workDir ? workDir : "";
    call.WorkDirExisted = Existed(workDir);
    call.Started = !g_launch.FailShell;
    g_launch.Calls.push_back(call);
    if (!call.Started) return false;
    out.Process = g_launch.ShellNoProcess ? nullptr : NewProcess(call.File);
    out.Id = -1;
    return true;
}

void ProcessWait(PlatformProcess* process) noexcept {
    if (!process) return;
    ++g_launch.Waits;
    process->Running = false;
}

bool ProcessAlive(PlatformProcess* process) noexcept { return process && process->Running; }

uint32_t ProcessExitCode(PlatformProcess* process) noexcept {
    if (!process) return 0;
    return process->Running ? kStillActive : process->ExitCode;
}

void ProcessTerminate(PlatformProcess* process, uint32_t exitCode) noexcept {
    if (!process) return;
    g_launch.Terminations.push_back(exitCode);
    process->Running = false;
    process->ExitCode = exitCode;
}

void ProcessRelease(PlatformProcess* process) noexcept {
    if (!process) return;
    if (process->Released) ++g_launch.DoubleReleases;
    process->Released = true;
}

void PauseMilliseconds(unsigned milliseconds) noexcept { g_launch.Paused += milliseconds; }

bool ListProcessNames(std::vector<std::string>& names) {
    names.clear();
    if (!g_launch.NamesAvailable) return false;
    names = g_launch.Names;
    return true;
}

void PromptSystemRestart() noexcept { ++g_launch.RebootPrompts; }

namespace fake {

void LaunchReset() { g_launch = LaunchFake{}; }
void LaunchFailProcess(bool fail) { g_launch.FailProcess = fail; }
void LaunchFailShell(bool fail) { g_launch.FailShell = fail; }
void LaunchShellGivesNoProcess(bool none) { g_launch.ShellNoProcess = none; }
void LaunchSetExitCode(const std::string& text, uint32_t code) { g_launch.ExitCodes[text] = code; }
const std::vector<LaunchCall>& LaunchCalls() { return g_launch.Calls; }
int LaunchWaitCount() { return g_launch.Waits; }
int LaunchUnreleasedCount() {
    int n = 0;
    for (const PlatformProcess& p : g_launch.Processes) n += p.Released ? 0 : 1;
    return n;
}
int LaunchDoubleReleaseCount() { return g_launch.DoubleReleases; }
std::vector<uint32_t> LaunchTerminations() { return g_launch.Terminations; }
void LaunchEndAll() {
    for (PlatformProcess& p : g_launch.Processes) p.Running = false;
}
unsigned LaunchPausedMilliseconds() { return g_launch.Paused; }
void LaunchSetProcessNames(const std::vector<std::string>& names, bool available) {
    g_launch.Names = names;
    g_launch.NamesAvailable = available;
}
int RebootPromptCount() { return g_launch.RebootPrompts; }

}  // namespace fake
}  // namespace wb
