// The Hook programs and the finish steps shared by every way out of a run.
#include "startup/finish.h"

#include "install/program_runner.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/reboot.h"
#include "state/setup_state.h"
#include "startup/startup.h"

namespace wb {

namespace {

constexpr uint32_t kBeforeHookStops = 1;
constexpr unsigned kWhileHookExitPause = 500;

bool BeforeHookAllowed() { return Setup.HookMode == 1 || Setup.HookMode == 2; }
bool AfterHookAllowed() { return Setup.HookMode == 1 || Setup.HookMode == 3; }

// A plain file: a folder of that name would be opened by the shell in a window.
bool IsFile(const std::string& path) { return PathLength(path.c_str()) >= 0; }

// The hook's path when the temporary setup folder holds it, else empty.
std::string HookPath(const char* name) {
    if (Setup.TempDir.empty()) return std::string();
    std::string path = Setup.TempDir + name;
    return IsFile(path) ? path : std::string();
}

void LogHookEnd(const char* name, ProgramRecord* record) {
    if (!record) {
        LogLine(std::string("Hook program ") + name + " could not be started");
        return;
    }
    LogLine(std::string("Hook program ") + name + " ended with exit code " +
            std::to_string(ProgramExitCode(record)));
}

// AfterWB.exe, waited for; its exit code means nothing.
void RunAfterHook() {
    std::string path = HookPath("AfterWB.exe");
    if (path.empty() || !AfterHookAllowed()) return;
    Setup.AfterHook = RunProgram(path, "", Setup.TempDir, kRunWait | kRunKeepRecord);
    LogHookEnd("AfterWB.exe", Setup.AfterHook);
    CloseProgram(Setup.AfterHook);
    Setup.AfterHook = nullptr;
}

}  // namespace

int RunBeforeHook() {
    std::string path = HookPath("BeforeWB.exe");
    if (path.empty() || !BeforeHookAllowed()) return 0;
    Setup.BeforeHook = RunProgram(path, "", Setup.TempDir, kRunWait | kRunKeepRecord);
    LogHookEnd("BeforeWB.exe", Setup.BeforeHook);
    if (!Setup.BeforeHook) return 0;
    bool stop = ProgramExitCode(Setup.BeforeHook) == kBeforeHookStops;
    CloseProgram(Setup.BeforeHook);
    Setup.BeforeHook = nullptr;
    return stop ? 1 : 0;
}

void StartWhileHook() {
    std::string path = HookPath("WhileWB.exe");
    Setup.WhileHook = path.empty() ? nullptr : RunProgram(path, "", Setup.TempDir, kRunKeepRecord);
    if (!path.empty()) {
        LogLine(Setup.WhileHook ? "Hook program WhileWB.exe started"
                                : "Hook program WhileWB.exe could not be started");
    }
}

void StopWhileHook() {
    if (!IsKnownProgram(Setup.WhileHook) || !IsProgramRunning(Setup.WhileHook)) return;
    KillProgram(Setup.WhileHook);
    CloseProgram(Setup.WhileHook);
    Setup.WhileHook = nullptr;
    // The terminated program may still hold its file in the temporary setup folder.
    PauseMilliseconds(kWhileHookExitPause);
}

void RemoveTempDir() {
    if (Setup.TempDir.empty()) return;
    for (const std::string& name : FolderListFiles(Setup.TempDir.c_str())) {
        FileDelete((Setup.TempDir + name).c_str());
    }
    std::string folder = Setup.TempDir;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    FolderRemove(folder.c_str());
}

void FinishWizardRun() {
    if (Setup.Cancelled) LogLine("The user cancelled the setup");
    if (!Setup.Cancelled) RunAfterHook();
    RemoveTempDir();
    if (Setup.Reboot == 1) {
        LogLine("A restart is needed: the restart question is shown");
        PromptSystemRestart();
        return;
    }
    if (Setup.StartProg != 1) return;
    std::string program = Setup.InstallDir + Setup.ProgExe;
    if (!Setup.ProgExe.empty() && IsFile(program)) {
        RunProgram(program, "", Setup.InstallDir, 0);
    }
}

unsigned FinishQuietRun(unsigned installCode) {
    RunAfterHook();
    RemoveTempDir();
    if (Setup.Reboot == 1) LogLine("A restart is needed to finish the installation");
    if (installCode != kExitOk) return installCode;
    return Setup.Reboot == 1 ? kExitRestartRequired : kExitOk;
}

}  // namespace wb
