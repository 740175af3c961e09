// The start-up sequence: command line, temporary setup folder, the setup's own Package,
// the first keys of setup.ini, the language, the running-program check, then one of the
// two runs.
#include "startup/startup.h"

#include "config/language_table.h"
#include "config/setup_description.h"
#include "install/install_sequence.h"
#include "install/program_runner.h"
#include "package/extract.h"
#include "package/package_reader.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/window.h"
#include "startup/command_line.h"
#include "startup/finish.h"
#include "startup/language_select.h"
#include "startup/setup_state.h"
#include "startup/wizard_flow.h"
#include "ui/images.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_window.h"
namespace wb {

namespace {

// Unpacks the installer's own Package into the temporary setup folder. False when the
// file carries no readable Package or an entry of it is damaged.
bool UnpackOwnPackage() {
    if (!OpenPackage(Setup.SetupExe.c_str(), nullptr)) {
        ClosePackage();
        return false;
    }
    ExtractResult result = ExtractPackage(Package, Setup.TempDir, std::string());
    ClosePackage();
    return result.Opened && result.Damaged == 0;
}

// Ends a run whose own Package did not arrive whole: a message in the wizard run, exit
// code 2 in the quiet run; what was unpacked is removed again.
unsigned EndDamaged() {
    Setup.PackageDamaged = 1;
    RemoveTempDir();
    if (Setup.QuietMode) return kExitDamaged;
    ShowMessage(kDamagedSetupText, kDamagedSetupCaption, MessageBoxKind::ErrorOk);
    return kExitOk;
}

// Warns when the program to be installed runs. Returns false when the run must end: the
// user declined, or (quiet run, where no window may open) the program simply runs.
bool CheckRunningProgram() {
    Setup.ProgramRunning = 0;
    if (!Setup.MutexString.empty()) {
        if (MutexExists(Setup.MutexString.c_str())) Setup.ProgramRunning = 1;
    } else if (IsProcessRunning(Setup.ProgExe)) {
        Setup.ProgramRunning = 1;
    }
    if (!Setup.ProgramRunning) return true;
    if (Setup.QuietMode) {
        RemoveTempDir();
        return false;
    }
    std::string text = ReplaceAll(LangText("Requester", "RQ4_Msg"), "$Titel", Setup.Titel);
    text += '\n';
    text += LangText("Requester", "RQ4_Msg2");
    MessageBoxAnswer answer = ShowMessage(text.c_str(), LangText("Requester", "RQ4_Titel").c_str(),
                                          MessageBoxKind::WarningOkCancel);
    if (answer != MessageBoxAnswer::Cancel) return true;
    RemoveTempDir();
    return false;
}

// The exit code of a run that ends before installing anything.
unsigned EndNotInstalled() { return Setup.QuietMode ? kExitNotInstalled : kExitOk; }

}  // namespace

std::string MakeTempDirName(const std::string& tempPath, const std::string& guid) {
    return tempPath + guid + "\\";
}

bool CreateTempDir(const std::string& tempDir) {
    std::string folder = tempDir;
    while (!folder.empty() &&
           (folder.back() == ' ' || folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    return !folder.empty() && FolderCreate(folder.c_str());
}

unsigned RunSetup() {
    ParseCommandLine(ProcessCommandLine(), Setup);

    Setup.TempDir = MakeTempDirName(TempFolderPath(), NewGuidText());
    Setup.SetupExe = ModuleFileName();
    Setup.SetupIni = Setup.TempDir + "setup.ini";
    Setup.Page = 1;
    Setup.Reboot = 0;

    CreateTempDir(Setup.TempDir);
    if (!UnpackOwnPackage()) return EndDamaged();

    CreateLanguageTable();
    ReadStartupKeys();
    SelectLanguage();

    if (!CheckRunningProgram()) return EndNotInstalled();
    if (RunBeforeHook()) return EndNotInstalled();

    Setup.WindowTitle = Setup.Version.empty() ? Setup.Titel : Setup.Titel + " " + Setup.Version;
    if (Setup.QuietMode) return FinishQuietRun(InstallQuietly());
    StartImages();
    if (!BuildWizardWindow(Setup.WindowTitle)) {
        // Nothing to show: what was unpacked would otherwise stay behind.
        RemoveTempDir();
        return kExitOk;
    }
    FillWizardPages();
    RunWizard();
    CloseNumberedWindow(kWizardWindow);
    FinishWizardRun();
    return kExitOk;
}

}  // namespace wb
