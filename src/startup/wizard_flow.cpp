// The wizard's page flow: which panels each page shows, the licence and readme skips,
// the folder-field completion, the bottom buttons, and the blocking event loop.
#include "startup/wizard_flow.h"

#include "config/language_table.h"
#include "config/setup_description.h"
#include "config/special_folders.h"
#include "install/program_runner.h"
#include "log/install_log.h"
#include "startup/finish.h"
#include "startup/install_page.h"
#include "startup/scope_start.h"
#include "state/setup_state.h"
#include "ui/folder_requester.h"
#include "ui/start_menu_chooser.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_pictures.h"
namespace wb {

namespace {

void Show(int number) { ShowControl(number, true); }
void Hide(int number) { ShowControl(number, false); }

bool ViewerHoldsText(int viewer) { return !GetControlText(viewer).empty(); }

void SetHeader(const char* page) {
    SetControlText(kHeaderTitle, LangText(page, "Titel").c_str());
    SetControlText(kHeaderSubtitle, LangText(page, "Msg").c_str());
}

void SetField(int number, const std::string& text) { SetControlText(number, text.c_str()); }

// The homepage link opens through the system's URL handler. The setup runs elevated from a
// downloads folder, so the handler's host starts from the system folder by full path.
void OpenHomepage() {
    const std::string rundll32 = SystemProgramPath("RunDll32.exe");
    if (rundll32.empty()) return;
    RunProgram(rundll32, "Url.dll,FileProtocolHandler " + GetControlText(kHomepageLink), "", 0);
}

void WithBackslash(std::string& folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
}

void ShowInstallPage() {
    Setup.Page = 5;
    Hide(kHeaderPanel);
    Show(kInstallPanel);
    Show(kSideImage);
    Show(kInstallButton);
    Hide(kNextButton);
}

void ShowWelcomePage() {
    Setup.Page = 1;
    Hide(kHeaderPanel);
    Show(kWelcomePanel);
    Show(kSideImage);
    Hide(kBackButton);
}

void ShowSettingsPage() {
    Setup.Page = 3;
    Show(kSettingsPanel);
    SetHeader("Page03");
}

void BrowseProgramFolder() {
    const std::string picked = CompletePickedProgramFolder(PickProgramFolder(), Setup.ProgDirLeaf);
    if (!picked.empty()) SetField(kProgDirField, picked);
}

// Choosing the scope proposes that scope's folders: each remembers its own.
void ChooseScope(bool perUser) {
    if ((Setup.PerUser != 0) == perUser) return;
    Setup.PerUser = perUser ? 1 : 0;
    LoadSetupDescription();
    SetField(kProgDirField, Setup.ProgDirDefault);
    SetField(kStartMenuField, Setup.StartMenuDefault);
    LogLine(std::string("The user chose to install ") + ScopeText(perUser));
}

// Leaving the settings page for all users without administrator rights: the setup starts
// again elevated with the choices made here, and this run ends once that one has. False
// when the page stays (then also when the prompt was declined, with a word on why).
bool LeaveSettingsPage() {
    if (Setup.ScopeOffered != ScopeOffer::Both || Setup.PerUser || !MachineScopeNeedsRestart()) {
        return true;
    }
    std::string extra = "/ALLUSERS \"/P:" + GetControlText(kProgDirField) + "\"";
    if (Setup.StartMenuEnabled) extra += " \"/S:" + GetControlText(kStartMenuField) + "\"";
    HideNumberedWindow(kWizardWindow);
    uint32_t code = 0;
    if (RestartElevated(extra, code)) {
        // The elevated wizard installed (or not); this one ends without AfterWB.exe.
        StopWhileHook();
        RemoveTempDir();
        Setup.Cancelled = 1;
        Setup.StartProg = 0;
        Setup.Reboot = 0;
        Setup.QuitLoop = 1;
        return false;
    }
    ShowNumberedWindow(kWizardWindow);
    ShowMessage(LangText("Page03", "NeedsAdmin").c_str(), Setup.WindowTitle.c_str(),
                MessageBoxKind::InformationOk);
    return false;
}

void BrowseStartMenuFolder() {
    const std::string picked =
        CompletePickedStartMenuFolder(PickStartMenuFolder(), Setup.StartMenuDefault);
    if (!picked.empty()) SetField(kStartMenuField, picked);
}

}  // namespace

std::string CompleteProgramFolder(const std::string& typed, const std::string& leaf) {
    std::string folder = typed;
    WithBackslash(folder);
    if (folder.find(leaf) == std::string::npos) return folder + leaf;
    // Contained: the user's own text stands, except for the backslash an empty name adds.
    return leaf.empty() ? folder : typed;
}

std::string CompletePickedProgramFolder(const std::string& picked, const std::string& leaf) {
    return CompleteProgramFolderChoice(picked, leaf);
}

std::string CompleteStartMenuFolder(const std::string& typed, const std::string& proposed) {
    if (typed.empty()) return proposed;
    if (typed.find(proposed) != std::string::npos) return typed;
    std::string folder = typed;
    WithBackslash(folder);
    return folder + proposed;
}

std::string CompletePickedStartMenuFolder(const std::string& picked,
                                          const std::string& proposed) {
    return CompleteStartMenuChoice(picked, proposed);
}

void NextPage() {
    if (Setup.Page == 3 && !LeaveSettingsPage()) return;
    ++Setup.Page;
    switch (Setup.Page) {
        case 2:
            Hide(kWelcomePanel);
            Hide(kSideImage);
            Show(kHeaderPanel);
            Show(kBackButton);
            if (ViewerHoldsText(kLicenceViewer)) {
                Show(kLicencePanel);
                EnableControl(kNextButton, GetControlState(kAcceptOption) != 0);
                SetHeader("Page02");
            } else {
                ShowSettingsPage();
            }
            break;
        case 3:
            Hide(kLicencePanel);
            ShowSettingsPage();
            break;
        case 4:
            Hide(kSettingsPanel);
            if (ViewerHoldsText(kReadmeViewer)) {
                Show(kInfoPanel);
                SetHeader("Page04");
            } else {
                ShowInstallPage();
            }
            break;
        case 5:
            Hide(kInfoPanel);
            ShowInstallPage();
            break;
        default:
            Setup.Page = 5;
            break;
    }
}

void PreviousPage() {
    --Setup.Page;
    switch (Setup.Page) {
        case 1:
            Hide(kLicencePanel);
            ShowWelcomePage();
            EnableControl(kNextButton, true);
            break;
        case 2:
            Hide(kSettingsPanel);
            if (ViewerHoldsText(kLicenceViewer)) {
                Show(kLicencePanel);
                SetHeader("Page02");
            } else {
                ShowWelcomePage();
            }
            break;
        case 3:
            Hide(kInfoPanel);
            ShowSettingsPage();
            break;
        case 4:
            Hide(kInstallPanel);
            Hide(kSideImage);
            Hide(kInstallButton);
            Show(kNextButton);
            Show(kCancelButton);
            Show(kHeaderPanel);
            if (ViewerHoldsText(kReadmeViewer)) {
                Show(kInfoPanel);
            } else {
                ShowSettingsPage();
            }
            break;
        default:
            Setup.Page = 1;
            break;
    }
}

void HandleWizardEvent(const WindowEvent& event) {
    if (event.Kind == EventKind::CloseRequest) {
        if (event.Window != kWizardWindow) return;
        StopWhileHook();
        RemoveTempDir();
        Setup.QuitLoop = 1;
        return;
    }
    if (event.Kind == EventKind::Quit) {
        // The session is ending: leave as a close request would.
        StopWhileHook();
        RemoveTempDir();
        Setup.QuitLoop = 1;
        return;
    }
    if (event.Window != kWizardWindow) return;
    if (event.Kind == EventKind::FocusLost) {
        if (event.Control == kProgDirField) {
            SetField(kProgDirField,
                     CompleteProgramFolder(GetControlText(kProgDirField), Setup.ProgDirLeaf));
        } else if (event.Control == kStartMenuField) {
            SetField(kStartMenuField, CompleteStartMenuFolder(GetControlText(kStartMenuField),
                                                              Setup.StartMenuDefault));
        }
        return;
    }
    switch (event.Control) {
        case kAcceptOption: EnableControl(kNextButton, true); break;
        case kDeclineOption: EnableControl(kNextButton, false); break;
        case kProgDirChange: BrowseProgramFolder(); break;
        case kNoStartMenuBox: {
            const bool ticked = GetControlState(kNoStartMenuBox) != 0;
            EnableControl(kStartMenuField, !ticked);
            EnableControl(kStartMenuChange, !ticked);
            break;
        }
        case kStartMenuChange: BrowseStartMenuFolder(); break;
        case kScopeAllUsers: ChooseScope(false); break;
        case kScopeOnlyMe: ChooseScope(true); break;
        case kHomepageLink: OpenHomepage(); break;
        case kNextButton: NextPage(); break;
        case kBackButton: PreviousPage(); break;
        case kCancelButton:
            StopWhileHook();
            Setup.StartProg = 0;
            Setup.Reboot = 0;
            Setup.Cancelled = 1;
            Setup.QuitLoop = 1;
            break;
        case kInstallButton: InstallFromWizardPage(); break;
        case kExitButton:
            StopWhileHook();
            Setup.StartProg = GetControlState(kRunProgramBox) ? 1 : 0;
            Setup.QuitLoop = 1;
            break;
        default: break;
    }
}

void RunWizard() {
    StartWhileHook();
    while (!Setup.QuitLoop) HandleWizardEvent(WaitEvent());
}

}  // namespace wb
