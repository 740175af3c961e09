// Moving an installed program: the earlier copy in another folder is removed first.
#include "install/upgrade.h"

#include <string>

#include "config/registry_text.h"
#include "contract/contract.h"
#include "handover/log_reader.h"
#include "install/elevated_trust.h"
#include "install/program_runner.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// Paths compare as the file system does: without regard to case, trailing "\" optional.
bool SameFolder(std::string a, std::string b) {
    while (!a.empty() && a.back() == '\\') a.pop_back();
    while (!b.empty() && b.back() == '\\') b.pop_back();
    return SameTextNoCase(a, b);
}

}  // namespace

void RemoveEarlierCopyElsewhere() {
    if (Setup.GUID.empty() || Setup.NoUninstall) return;
    const std::string earlier = InstalledFolderOf(Setup.GUID);
    if (earlier.empty() || SameFolder(earlier, Setup.InstallDir)) return;
    const std::string uninstaller = earlier + kUninstallerName;
    LogContents log;
    const LogRead read = ReadLogFile(earlier, log);
    if (read == LogRead::NoSettings || read == LogRead::BadTaskCount) {
        // Its uninstaller would refuse the log and remove nothing; the copy stays as it is.
        LogLine("The Uninstall log of the earlier copy in " + earlier +
                " is damaged: that copy is not removed");
        return;
    }
    if (read != LogRead::Ok || !SameTextNoCase(log.GUID, Setup.GUID) ||
        PathLength(uninstaller.c_str()) < 0) {
        LogLine("The uninstall entry named " + earlier +
                ", which holds no installation of this program any more");
        return;
    }
    if (RunsElevated() && !OnlyAdministratorsWrite(uninstaller)) {
        // Anyone may have put a program there, and the GUID that led here is public.
        LogLine("REFUSED to start " + uninstaller +
                " with administrator rights: ordinary users can write its folder. The earlier "
                "copy in " + earlier + " stays; remove it with that uninstaller");
        return;
    }
    LogLine("This program is installed in " + earlier + ": that copy is removed first (" +
            uninstaller + " /Q)");
    ProgramRecord* run =
        RunProgram(uninstaller, "/Q", Setup.TempDir, kRunWait | kRunKeepRecord);
    const uint32_t code = run ? ProgramExitCode(run) : 0xFFFFFFFFu;
    CloseProgram(run);
    if (run && code == 0) {
        LogLine("The earlier copy in " + earlier + " was removed");
        return;
    }
    LogLine("The earlier copy in " + earlier + " could NOT be removed completely (" +
            (run ? "its uninstaller ended with exit code " + std::to_string(code)
                 : std::string("its uninstaller could not be started")) +
            "); what stays there is removed with " + uninstaller);
}

}  // namespace wb
