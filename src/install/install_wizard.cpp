// The wizard's installation: the steps shared with the quiet run, announced row by row in
// the install log list, with window events drained between them so the page repaints.
#include "install/install_wizard.h"

#include "config/language_table.h"
#include "config/pref_file.h"
#include "config/setup_description.h"
#include "config/special_folders.h"
#include "contract/contract.h"
#include "install/install_sequence.h"
#include "install/install_steps.h"
#include "install/package_files.h"
#include "install/shortcuts.h"
#include "log/install_log.h"
#include "platform/window.h"
#include "state/setup_state.h"

namespace wb {

namespace {

constexpr char kCopyright = static_cast<char>(0xA9);  // the circled c of the ANSI code page

struct Announcer {
    const InstallSink& Sink;

    void Status(const std::string& text) const {
        if (Sink.Status) Sink.Status(Sink.Context, text);
    }
    void SetRow(int row, const std::string& text) const {
        if (Sink.Row) Sink.Row(Sink.Context, row, text);
    }
    void AppendRow(const std::string& text) const { SetRow(-1, text); }
    void ShowProgress(bool shown) const {
        if (Sink.ShowProgress) Sink.ShowProgress(Sink.Context, shown);
    }
    void Finish(bool offerProgram) const {
        ShowProgress(false);
        if (Sink.Finish) Sink.Finish(Sink.Context, offerProgram);
    }
};

std::string FolderWithBackslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

void WriteHeaderRows(const Announcer& page) {
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("Info");
    const std::string date = PrefReadString("Date");
    Setup.Author = PrefReadString("Author");
    Setup.EMail = PrefReadString("EMail");
    Setup.Date = date;
    Setup.InfoLine = Setup.Titel;
    if (!Setup.Version.empty()) Setup.InfoLine += "  -  Version " + Setup.Version;
    if (!date.empty()) Setup.InfoLine += "   (" + date + ")";
    page.SetRow(0, Setup.InfoLine);
    std::string author;
    if (!Setup.Author.empty()) author = std::string(1, kCopyright) + " " + Setup.Author;
    if (!Setup.EMail.empty()) author += "   ( " + Setup.EMail + " )";
    page.SetRow(1, author);
    page.SetRow(2, "");
    DrainEvents();
    PrefGroup("Settings");
    page.SetRow(3, LangText("Install", "Msg1") + " .....");
    DrainEvents();
}

// "512 KB", "23.4 MB", "1.2 GB": what a user compares with the drive's properties.
std::string SizeText(int64_t bytes) {
    if (bytes < 0) return "?";
    const uint64_t b = uint64_t(bytes);
    if (b < 1024 * 1024) return std::to_string((b + 1023) / 1024) + " KB";
    const uint64_t unit = b < (uint64_t(1) << 30) ? (uint64_t(1) << 20) : (uint64_t(1) << 30);
    const uint64_t tenths = (b * 10 + unit / 2) / unit;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           (unit == (uint64_t(1) << 20) ? " MB" : " GB");
}

const char* FailureReason(unsigned code) {
    switch (code) {
        case kExitWriteFailed: return "a file or folder could not be written";
        case kExitFileInUse: return "a file is in use and could not be replaced";
        default: return "the installation failed";
    }
}

// Tells the user why nothing was installed.
void ShowInstallFailure(unsigned code) {
    if (Setup.Cancelled) return;  // the user's own choice needs no message
    if (code == kExitDamaged) {
        ShowMessage(kDamagedSetupText, kDamagedSetupCaption, MessageBoxKind::ErrorOk);
        return;
    }
    std::string text;
    if (code == kExitDiskFull) {
        text = ReplaceText(ReplaceText(LangText(LangId::InstallNoRoom), "$Needed",
                                       SizeText(Setup.RoomNeeded)),
                           "$Free", SizeText(Setup.RoomFree));
    } else {
        text = ReplaceText(ReplaceText(LangText(LangId::InstallFailed), "$Code",
                                       std::to_string(code)),
                           "$Reason", FailureReason(code));
    }
    ShowMessage(text.c_str(), LangText(LangId::InstallWindow).c_str(), MessageBoxKind::ErrorOk);
}

}  // namespace

void InstallFromWizard(const WizardChoices& choices, const InstallSink& sink) {
    const Announcer page{sink};
    if (sink.Begin) sink.Begin(sink.Context);
    page.Status(LangText("Page05", "Install") + " .....");
    DrainEvents();

    PublishInstallDir(FolderWithBackslash(choices.ProgDir));
    LogInstallFolders();
    if (!InstallDirUsable()) {
        // A name typed in characters the code page lacks; one chosen in the folder browser
        // comes by its short name instead.
        const std::string text = kUnreachableFolderText + Setup.InstallDir;
        ShowMessage(text.c_str(), Setup.WindowTitle.c_str(), MessageBoxKind::ErrorOk);
        Setup.StartProg = 0;
        page.Finish(false);
        return;
    }
    WriteHeaderRows(page);

    page.ShowProgress(true);
    InstallProgress = {sink.ProgressMaximum, sink.ProgressPosition};
    const unsigned files = InstallProgramFiles(true);
    InstallProgress = {};
    PrefClose();
    if (files != kExitOk) {
        // The files were rolled back, and nothing may be registered for them.
        ShowInstallFailure(files);
        Setup.StartProg = 0;
        Setup.Reboot = 0;
        page.Finish(false);
        return;
    }

    page.SetRow(3, LangText("Install", "Msg1") + "   -->   *** " + LangText("Install", "Ready") +
                       " ***");
    page.AppendRow("");
    DrainEvents();

    if (!Setup.ProgLink.empty() && !Setup.NoUninstall) {
        RegisterProgram(Setup.Author, Setup.EMail);
        page.AppendRow(LangText("Install", "Msg5"));
        DrainEvents();
    }

    if (choices.DesktopIcon) {
        page.AppendRow(LangText("Install", "Msg2"));
        DrainEvents();
        Setup.DesktopLink = DesktopLinkPath();
        CreateDesktopShortcut(Setup.DesktopLink);
    }

    if (choices.NoStartMenu) Setup.StartMenuEnabled = 0;
    if (Setup.StartMenuEnabled) {
        page.AppendRow(LangText("Install", "Msg3"));
        DrainEvents();
        CreateStartMenuEntries(FolderWithBackslash(choices.StartMenu));
        LogLine("Start-menu folder: " + Setup.StartMenuDir);
    } else {
        LogLine("No Start-menu entries");
    }

    SaveChoices(choices.StartMenu, choices.DesktopIcon);

    page.AppendRow(LangText("Install", "Msg6"));
    RunInstallTasks();
    CompleteInstallation();

    page.Status(LangText("Page05", "Ready"));
    page.Finish(true);
}

}  // namespace wb
