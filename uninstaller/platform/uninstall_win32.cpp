// The uninstaller's entry point: the window, the quiet run, or the temporary copy's job
// (see uninstaller/uninstaller_run.h).
#include <windows.h>

#include <string>
#include <vector>

#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/process.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstall_window.h"
#include "uninstaller/uninstaller_run.h"

namespace wb {
void PrivateHeapEnd() noexcept;

namespace {

unsigned RunUninstaller() {
    std::vector<std::string> words = CommandWords(ProcessCommandLine());
    if (!words.empty() && IsSwitch(words[0], 'R')) return FinishRemoval(words);
    const std::string self = ModuleFileName();
    const std::string folder = FolderOf(self);
    bool quiet = false;
    for (const std::string& w : words) quiet = quiet || IsSwitch(w, 'Q');
    StartUninstallLog(words, self, quiet);
    unsigned code = 0;
    if (!quiet) {
        code = RunUninstallWindow(folder, self);
    } else {
        RemovalResult result;
        code = unsigned(UninstallQuietly(folder, self, &result));
        if (result.SelfPending) FinishFromTemporaryCopy(self, folder);
    }
    LogLine("Exit code " + DecimalText(code));
    CloseInstallLog();
    return code;
}

}  // namespace
}  // namespace wb

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    unsigned code = wb::RunUninstaller();
    wb::PrivateHeapEnd();
    ExitProcess(code);
}
