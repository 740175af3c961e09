// The start-up sequence: command line, temporary setup folder, the setup's own Package,
// the first keys of setup.ini, the language, the running-program check, then one of the
// two runs.
#include "startup/startup.h"

#include "config/language_table.h"
#include "config/setup_description.h"
#include "install/install_sequence.h"
#include "install/program_runner.h"
#include "log/install_log.h"
#include "package/extract.h"
#include "package/package_reader.h"
#include "platform/ansi_path.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/scope.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/window.h"
#include "startup/command_line.h"
#include "startup/finish.h"
#include "startup/folder_switch.h"
#include "startup/language_select.h"
#include "startup/scope_start.h"
#include "state/setup_state.h"
#include "startup/wizard_flow.h"
#include "ui/images.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_window.h"
namespace wb {

namespace {

// What became of the unpacking of the setup's own Package.
enum class OwnPackage : uint8_t { Unpacked, Damaged, Unreadable };

// Windows stay answering while the setup's own files are unpacked.
void KeepWindowsAnswering(const PackageEntry&) { DrainEvents(); }

// Unpacks the installer's own Package into the temporary setup folder. Damaged when the
// file carries no readable Package or an entry of it is damaged; Unreadable when the file
// cannot be read at all or its entries cannot be written into the temporary folder, which
// says nothing about the setup itself. `why` tells the log which.
OwnPackage UnpackOwnPackage(std::string& why) {
    {
        UniqueFile self(FileOpen(Setup.SetupExe.c_str(), FileAccess::Read));
        if (!self) {
            why = "the setup file " + Setup.SetupExe + " cannot be opened: " +
                  SystemErrorText(FileLastError());
            return OwnPackage::Unreadable;
        }
    }
    if (!OpenPackage(Setup.SetupExe.c_str(), KeepWindowsAnswering)) {
        ClosePackage();
        return OwnPackage::Damaged;
    }
    ExtractResult result = ExtractPackage(Package, Setup.TempDir, std::string());
    ClosePackage();
    if (result.Damaged != 0) return OwnPackage::Damaged;
    if (!result.Opened || result.Failed != 0) {
        why = "its files cannot be unpacked into the temporary folder " + Setup.TempDir;
        return OwnPackage::Unreadable;
    }
    // Every setup carries its description; without it the run would go on nameless.
    UniqueFile ini(FileOpen(Setup.SetupIni.c_str(), FileAccess::Read));
    if (!ini) {
        why = "its setup.ini cannot be read (" + SystemErrorText(FileLastError()) + ")";
        return OwnPackage::Unreadable;
    }
    return OwnPackage::Unpacked;
}

// Ends a run that cannot read its own files: exit code 6 in the quiet run, a message in
// the wizard run; nothing is installed and the temporary folder is removed again.
unsigned EndUnreadable(const std::string& why) {
    LogLine("The setup cannot read its own files: " + why + ". Nothing is installed");
    RemoveTempDir();
    if (Setup.QuietMode) return kExitUnreadable;
    const std::string text = kUnreadableSetupText + why + "." + kUnreadableSetupAdvice;
    ShowMessage(text.c_str(), kDamagedSetupCaption, MessageBoxKind::ErrorOk);
    return kExitOk;
}

// Ends a run whose own Package did not arrive whole: a message in the wizard run, exit
// code 2 in the quiet run; what was unpacked is removed again.
unsigned EndDamaged() {
    Setup.PackageDamaged = 1;
    LogLine("The setup file is damaged or incomplete: nothing can be installed from it");
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
    LogLine("The program to be installed is running (" +
            (Setup.MutexString.empty() ? Setup.ProgExe : "mutex " + Setup.MutexString) + ")");
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
    LogLine("The user declined to go on while the program runs");
    RemoveTempDir();
    return false;
}

// The exit code of a run that ends before installing anything.
unsigned EndNotInstalled() { return Setup.QuietMode ? kExitNotInstalled : kExitOk; }

// "Windows 10.0 build 19045" from GetVersion's packed answer.
std::string WindowsVersionText(uint32_t version) {
    std::string text = "Windows " + std::to_string(version & 0xFF) + "." +
                       std::to_string((version >> 8) & 0xFF);
    // The build number is there only on the NT line (high bit clear).
    if ((version & 0x80000000u) == 0) text += " build " + std::to_string(version >> 16);
    return text;
}

// Opens the log that /L asks for and records what the run starts from.
void StartInstallLog() {
    if (!Setup.LogRequested) return;
    const std::string path =
        OpenRequestedLog(Setup.CmdLogFile, TempFolderPath(), "Wendlebox Setup Log");
    if (path.empty()) return;  // no log never stops an installation
    LogLine("Wendlebox setup log: " + path);
    LogLine("Setup file: " + Setup.SetupExe);
    LogLine("Command line: " + ProcessCommandLine());
    LogLine(WindowsVersionText(SystemVersion()) + ", " +
            (SystemIs64Bit() ? "64-bit" : "32-bit") + " Windows, " +
            (sizeof(void*) == 8 ? "64-bit" : "32-bit") + " installer");
    const int elevated = ProcessElevation();
    LogLine(elevated == 1   ? "Running with administrator rights (elevated)"
            : elevated == 0 ? "Running WITHOUT administrator rights (not elevated)"
                            : "Elevation unknown (the system cannot tell)");
    LogLine(Setup.QuietMode ? "Quiet run (/Q)" : "Wizard run");
}

unsigned RunSetupSteps();

// Makes the temporary setup folder and sets Setup.TempDir. The Hook programs and the script
// start from there, so an elevated run must not use the user's %TEMP%: any program of that
// user could swap them between the unpacking and the start. It works in the system's
// temporary folder instead, in a folder only administrators and the system may enter.
bool MakeSetupTempDir(std::string& why) {
    const bool elevated = ProcessElevation() == 1;
    std::string base = elevated ? WindowsFolderPath() : TempFolderPath();
    if (elevated && !base.empty()) {
        if (base.back() != '\\' && base.back() != '/') base += '\\';
        base += "Temp\\";
    }
    if (base.empty() || PathLostCharacters(base)) {
        why = std::string(elevated ? "the system's" : "the") +
              " temporary folder cannot be found, or its path cannot be written in this "
              "system's code page and it has no short name that can";
        return false;
    }
    Setup.TempDir = MakeTempDirName(base, NewGuidText());
    Setup.SetupIni = Setup.TempDir + "setup.ini";
    const std::string folder = Setup.TempDir.substr(0, Setup.TempDir.size() - 1);
    // A folder of the new name that is there already is someone else's: it is refused.
    if (elevated ? CreateAdminOnlyFolder(folder.c_str()) : CreateTempDir(Setup.TempDir)) {
        if (elevated) LogLine("Temporary folder, for administrators only: " + Setup.TempDir);
        return true;
    }
    why = "the temporary folder " + Setup.TempDir + " cannot be made (" +
          SystemErrorText(FileLastError()) + ")";
    Setup.TempDir.clear();  // not ours: nothing of it may be removed
    return false;
}

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
    Setup.SetupExe = ModuleFileName();
    StartInstallLog();
    const unsigned code = RunSetupSteps();
    // A folder made for /P that the run left empty (a quiet run that failed, a wizard run
    // that was cancelled) goes again; one the installation filled stays.
    if (!Setup.QuietMode || (code != kExitOk && code != kExitRestartRequired)) {
        RemoveEmptySwitchFolders();
    }
    LogLine("Exit code " + std::to_string(code));
    CloseInstallLog();
    return code;
}

namespace {

unsigned RunSetupSteps() {
    Setup.Page = 1;
    Setup.Reboot = 0;
    // A path whose characters the code page lacks would name nothing (or another file).
    if (Setup.SetupExe.empty() || PathLostCharacters(Setup.SetupExe)) {
        return EndUnreadable("the path of the setup file cannot be written in this system's "
                             "code page, and it has no short name that can");
    }
    std::string why;
    if (!MakeSetupTempDir(why)) return EndUnreadable(why);
    switch (UnpackOwnPackage(why)) {
        case OwnPackage::Unpacked: break;
        case OwnPackage::Damaged: return EndDamaged();
        case OwnPackage::Unreadable: return EndUnreadable(why);
    }

    CreateLanguageTable();
    ReadStartupKeys();
    LogLine("Program: " + Setup.Titel + (Setup.Version.empty() ? "" : " " + Setup.Version) +
            ", GUID " + (Setup.GUID.empty() ? "(none)" : Setup.GUID));
    // Before any question: an elevated restart would otherwise ask it twice.
    unsigned scopeEnd = kExitOk;
    if (!SettleScope(scopeEnd)) return scopeEnd;
    SelectLanguage();

    if (!CheckRunningProgram()) return EndNotInstalled();
    if (RunBeforeHook()) {
        LogLine("BeforeWB.exe asked to stop: nothing installed");
        return EndNotInstalled();
    }

    Setup.WindowTitle = Setup.Version.empty() ? Setup.Titel : Setup.Titel + " " + Setup.Version;
    if (!ReachFolderSwitches()) {
        RemoveTempDir();
        if (Setup.QuietMode) return kExitWriteFailed;
        const std::string text = kUnreachableFolderText + FolderSwitchProblem() + ".";
        ShowMessage(text.c_str(), Setup.WindowTitle.c_str(), MessageBoxKind::ErrorOk);
        return kExitOk;
    }
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

}  // namespace
}  // namespace wb
