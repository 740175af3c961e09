// The wizard's installation: the steps shared with the quiet run, announced row by row in
// the install log list, with window events drained between them so the page repaints.
#include "install/install_wizard.h"

#include "config/language_table.h"
#include "config/pref_file.h"
#include "config/setup_description.h"
#include "install/install_sequence.h"
#include "install/install_steps.h"
#include "install/shortcuts.h"
#include "install/package_files.h"
#include "log/install_log.h"
#include "platform/window.h"
#include "startup/setup_state.h"
#include "startup/startup.h"
#include "ui/wizard_controls.h"

namespace wb {

namespace {

constexpr char kCopyright = static_cast<char>(0xA9);  // the circled c of the ANSI code page

void SetRow(int row, const std::string& text) { SetListRow(kInstallLog, row, text.c_str()); }
void AppendRow(const std::string& text) { AddListRow(kInstallLog, -1, text.c_str()); }

void ProgressMaximum(int32_t maximum) { SetProgressMaximum(kProgressBar, maximum); }
void ProgressPosition(int32_t position) { SetControlState(kProgressBar, position); }

std::string FolderWithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

void WriteHeaderRows() {
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("Info");
    const std::string date = PrefReadString("Date");
    Setup.Author = PrefReadString("Author");
    Setup.EMail = PrefReadString("EMail");
    Setup.Date = date;
    Setup.InfoLine = Setup.Titel;
    if (!Setup.Version.empty()) Setup.InfoLine += "  -  Version " + Setup.Version;
    if (!date.empty()) Setup.InfoLine += "   (" + date + ")";
    SetRow(0, Setup.InfoLine);
    std::string author;
    if (!Setup.Author.empty()) author = std::string(1, kCopyright) + " " + Setup.Author;
    if (!Setup.EMail.empty()) author += "   ( " + Setup.EMail + " )";
    SetRow(1, author);
    SetRow(2, "");
    DrainEvents();
    PrefGroup("Settings");
    SetRow(3, LangText("Install", "Msg1") + " .....");
    DrainEvents();
}

// Leaves the page so that only Exit and the close request remain.
void ShowFinalState(bool offerProgram) {
    ShowControl(kProgressBar, false);
    SetControlState(kRunProgramBox, offerProgram ? Setup.StartProg : 0);
    if (offerProgram) ShowControl(kRunProgramBox, true);
    ShowControl(kCancelButton, false);
    ShowControl(kExitButton, true);
}

}  // namespace

void InstallFromWizard() {
    ShowControl(kInstallPrompt, false);
    ShowControl(kBackButton, false);
    ShowControl(kInstallButton, false);
    ShowControl(kInstallStatus, true);
    ShowControl(kInstallLog, true);
    SetControlState(kRunProgramBox, 0);

    SetControlText(kInstallStatus, (LangText("Page05", "Install") + " .....").c_str());
    DrainEvents();

    PublishInstallDir(FolderWithBackslash(GetControlText(kProgDirField)));
    LogInstallFolders();
    WriteHeaderRows();

    ShowControl(kProgressBar, true);
    InstallProgress = {ProgressMaximum, ProgressPosition};
    const unsigned files = InstallProgramFiles(true);
    InstallProgress = {};
    PrefClose();
    if (files == kExitDamaged) {
        // Nothing may be registered for files that did not arrive whole.
        ShowMessage(kDamagedSetupText, kDamagedSetupCaption, MessageBoxKind::ErrorOk);
        Setup.StartProg = 0;
        ShowFinalState(false);
        return;
    }

    SetRow(3, LangText("Install", "Msg1") + "   -->   *** " + LangText("Install", "Ready") +
                  " ***");
    AppendRow("");
    DrainEvents();

    if (!Setup.ProgLink.empty() && !Setup.NoUninstall) {
        RegisterProgram(Setup.Author, Setup.EMail);
        AppendRow(LangText("Install", "Msg5"));
        DrainEvents();
    }

    const bool desktop = GetControlState(kDesktopIconBox) != 0;
    if (desktop) {
        AppendRow(LangText("Install", "Msg2"));
        DrainEvents();
        Setup.DesktopLink = DesktopLinkPath();
        CreateDesktopShortcut(Setup.DesktopLink);
    }

    if (GetControlState(kNoStartMenuBox)) Setup.StartMenuEnabled = 0;
    if (Setup.StartMenuEnabled) {
        AppendRow(LangText("Install", "Msg3"));
        DrainEvents();
        CreateStartMenuEntries(FolderWithBackslash(GetControlText(kStartMenuField)));
        LogLine("Start-menu folder: " + Setup.StartMenuDir);
    } else {
        LogLine("No Start-menu entries");
    }

    SaveChoices(GetControlText(kStartMenuField), desktop);

    AppendRow(LangText("Install", "Msg6"));
    RunInstallTasks();
    CompleteInstallation();

    SetControlText(kInstallStatus, LangText("Page05", "Ready").c_str());
    ShowFinalState(true);
}

}  // namespace wb
