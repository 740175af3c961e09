// The wizard window: fonts, every control of the five pages at its place, the control
// colours, the first page's visibility, and the filling of the pages from the setup.
#include "ui/wizard_window.h"

#include <cstdlib>

#include "config/language_table.h"
#include "config/setup_description.h"
#include "platform/files.h"
#include "platform/window.h"
#include "state/setup_state.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_pictures.h"

namespace wb {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kLinkHover = 0x804000;

enum WizardFont { F1, F2, F3, F4, F5, F6, kFontCount };
int g_fonts[kFontCount];

struct ControlRow {
    int Number;
    ControlKind Kind;
    int X, Y, W, H;
    int Font;  // -1: the layer's default font
    unsigned Style;
    bool White;
};

void Add(const ControlRow& row, const std::string& text = {}) {
    if (!AddControl(kWizardWindow, row.Number, row.Kind, row.X, row.Y, row.W, row.H,
                    text.c_str(), row.Style)) {
        return;  // an absent control ignores every later operation
    }
    if (row.Font >= 0 && g_fonts[row.Font]) SetControlFont(row.Number, g_fonts[row.Font]);
    if (row.White) SetControlColours(row.Number, 0, static_cast<int32_t>(kWhite));
}

std::string Lang(const char* group, const char* key) { return LangText(group, key); }

void AddPanel(int number, int x, int y, int w, int h, unsigned style, bool white) {
    Add({number, ControlKind::Panel, x, y, w, h, -1, style, white});
    BeginPanel(number);
}

// Loads "<name>.rtf", else "<name>.txt", of the temporary setup folder into a viewer.
void LoadTextPage(int viewer, const char* name) {
    const std::string base = Setup.TempDir + name;
    if (PathExists((base + ".rtf").c_str())) {
        LoadViewerFile(viewer, (base + ".rtf").c_str());
    } else if (PathExists((base + ".txt").c_str())) {
        LoadViewerFile(viewer, (base + ".txt").c_str());
    }
}

}  // namespace

bool IsExeProgram(const std::string& exe) {
    const size_t dot = exe.rfind('.');
    return dot != std::string::npos && exe.compare(dot + 1, std::string::npos, "exe") == 0;
}

void AddControlColour(int number, uint32_t textColour, int32_t background) {
    SetControlColours(number, textColour, background);
}

bool BuildWizardWindow(const std::string& caption) {
    g_fonts[F1] = CreatePointFont("Arial", 8, 400);
    g_fonts[F2] = CreatePointFont("Arial", 8, 700);
    g_fonts[F3] = CreatePointFont("Arial", 9, 400);
    g_fonts[F4] = CreatePointFont("Arial", 9, 700);
    g_fonts[F5] = CreatePointFont("Arial", 12, 700);
    g_fonts[F6] = CreatePointFont("MS Sans Serif", 8, 700);

    const std::string title = " " + caption;
    if (!OpenWindow(kWizardWindow, title.c_str(), 164, 148, 480, 335,
                    WindowPlacement::CentreOnScreen)) {
        return false;
    }
    const ControlKind text = ControlKind::Text;

    AddPanel(kWelcomePanel, 130, 0, 350, 300, kStylePlain, true);
    Add({kWelcomeTitle, text, 10, 10, 330, 60, F5, kStyleCentre, true}, Lang("Page01", "Titel"));
    Add({kWelcomeText, text, 10, 80, 330, 120, F3, kStylePlain, true},
        Lang("Page01", "Msg1") + "\n\n" + Lang("Page01", "Msg2") + "\n\n" + Lang("Page01", "Msg3"));
    EndPanel();

    Add({kSideImage, ControlKind::Image, 0, 0, 130, 300, -1, kStylePlain, false});

    AddPanel(kHeaderPanel, 0, 0, 480, 48, kStylePlain, true);
    Add({kHeaderTitle, text, 10, 10, 415, 15, F2, kStylePlain, true}, Lang("Page02", "Titel"));
    Add({kHeaderSubtitle, text, 20, 25, 405, 15, F1, kStylePlain, true}, Lang("Page02", "Msg"));
    Add({kHeaderIcon, ControlKind::Image, 440, 9, 32, 32, -1, kStylePlain, false});
    EndPanel();

    AddPanel(kLicencePanel, 0, 50, 480, 250, kStyleEdge, false);
    Add({kLicenceViewer, ControlKind::Viewer, 10, 10, 455, 190, -1, kStylePlain, false});
    Add({kAcceptOption, ControlKind::Option, 10, 208, 455, 15, F3, kStylePlain, false},
        Lang("Page02", "AcceptYes"));
    Add({kDeclineOption, ControlKind::Option, 10, 227, 455, 15, F3, kStylePlain, false},
        Lang("Page02", "AcceptNo"));
    EndPanel();

    AddPanel(kSettingsPanel, 0, 50, 480, 250, kStyleEdge, false);
    Add({kProgDirLabel, text, 10, 30, 375, 15, F4, kStylePlain, false}, Lang("Page03", "ProgDir"));
    Add({kProgDirField, ControlKind::Field, 10, 55, 300, 20, -1, kStylePlain, false});
    Add({kProgDirChange, ControlKind::Button, 315, 55, 65, 20, -1, kStylePlain, false},
        Lang("Buttons", "Change"));
    Add({kStartMenuLabel, text, 10, 115, 375, 15, F4, kStylePlain, false},
        Lang("Page03", "MenuDir"));
    Add({kStartMenuField, ControlKind::Field, 10, 140, 175, 20, -1, kStylePlain, false});
    Add({kStartMenuChange, ControlKind::Button, 190, 140, 65, 20, -1, kStylePlain, false},
        Lang("Buttons", "Change"));
    Add({kNoStartMenuBox, ControlKind::CheckBox, 10, 165, 370, 15, F1, kStylePlain, false},
        Lang("Page03", "NoStartMenu"));
    Add({kDesktopIconBox, ControlKind::CheckBox, 10, 225, 370, 15, F3, kStylePlain, false},
        Lang("Page03", "DesktopIcon"));
    // Only a setup that offers both scopes shows these (between the Start-menu box and the
    // desktop box, where the page has room for one row).
    Add({kScopeAllUsers, ControlKind::Option, 10, 195, 225, 15, F3, kStylePlain, false},
        Lang("Page03", "AllUsers"));
    Add({kScopeOnlyMe, ControlKind::Option, 240, 195, 225, 15, F3, kStylePlain, false},
        Lang("Page03", "OnlyMe"));
    EndPanel();

    AddPanel(kInfoPanel, 0, 50, 480, 250, kStyleEdge, false);
    Add({kReadmeViewer, ControlKind::Viewer, 10, 10, 455, 225, -1, kStylePlain, false});
    EndPanel();

    AddPanel(kInstallPanel, 130, 0, 350, 300, kStylePlain, true);
    Add({kInstallTitle, text, 10, 15, 330, 50, F5, kStyleCentre, true}, Lang("Page05", "Titel1"));
    Add({kInstallPrompt, text, 10, 260, 330, 40, F3, kStyleCentre, true}, Lang("Page05", "Msg"));
    Add({kInstallStatus, text, 10, 75, 330, 15, F4, kStylePlain, true}, Lang("Page05", "Install"));
    Add({kRunProgramBox, ControlKind::CheckBox, 10, 245, 330, 15, F3, kStylePlain, false},
        Lang("Page05", "RunProg"));
    AddControlColour(kRunProgramBox, 0, static_cast<int32_t>(kWhite));
    Add({kInstallLog, ControlKind::List, 10, 100, 330, 130, -1, kStylePlain, false});
    Add({kProgressBar, ControlKind::Progress, 10, 245, 330, 20, -1, kStylePlain, false});
    EndPanel();

    Add({kHomepageLink, ControlKind::Link, 10, 310, 240, 15, F2, kStylePlain, false});
    SetLinkHoverColour(kHomepageLink, kLinkHover);
    Add({kBackButton, ControlKind::Button, 260, 307, 65, 22, -1, kStylePlain, false},
        "< " + Lang("Buttons", "Back"));
    Add({kNextButton, ControlKind::Button, 330, 307, 65, 22, -1, kStylePlain, false},
        Lang("Buttons", "Next") + " >");
    Add({kInstallButton, ControlKind::Button, 335, 307, 70, 22, F6, kStylePlain, false},
        Lang("Buttons", "Install"));
    Add({kCancelButton, ControlKind::Button, 415, 307, 60, 22, -1, kStylePlain, false},
        Lang("Buttons", "Cancel"));
    Add({kExitButton, ControlKind::Button, 415, 307, 60, 22, -1, kStylePlain, false},
        Lang("Buttons", "Finish"));

    for (int hidden : {kHeaderPanel, kInfoPanel, kLicencePanel, kSettingsPanel, kInstallPanel,
                       kRunProgramBox, kBackButton, kInstallButton, kProgressBar, kExitButton}) {
        ShowControl(hidden, false);
    }
    ShowNumberedWindow(kWizardWindow);
    return true;
}

void FillWizardPages() {
    Setup.Cancelled = 0;
    Setup.QuitLoop = 0;

    LoadTextPage(kLicenceViewer, "licence");
    SetControlState(kDeclineOption, 1);
    LoadTextPage(kReadmeViewer, "readme");

    LoadSetupDescription();

    if (Setup.Web.empty()) {
        ShowControl(kHomepageLink, false);
    } else {
        SetControlText(kHomepageLink, Setup.Web.c_str());
    }
    const bool exe = IsExeProgram(Setup.ProgExe);
    if (!exe) {
        ShowControl(kRunProgramBox, false);
        Setup.StartProg = 0;
    }
    if (!Setup.StartMenuEnabled) {
        for (int n : {kStartMenuLabel, kStartMenuField, kStartMenuChange, kNoStartMenuBox}) {
            ShowControl(n, false);
        }
    }
    if (Setup.Reboot) {
        Setup.StartProg = 0;
        ShowControl(kRunProgramBox, false);
    }
    if (Setup.ScopeOffered == ScopeOffer::Both) {
        SetControlState(Setup.PerUser ? kScopeOnlyMe : kScopeAllUsers, 1);
        // A switch or an installation already made settles it; the choice is only shown.
        for (int n : {kScopeAllUsers, kScopeOnlyMe}) EnableControl(n, Setup.ScopeAsked != 0);
    } else {
        for (int n : {kScopeAllUsers, kScopeOnlyMe}) ShowControl(n, false);
    }
    SetControlText(kProgDirField, Setup.ProgDirDefault.c_str());
    SetControlText(kStartMenuField, Setup.StartMenuDefault.c_str());

    const int ticked = Setup.PrevDesktopIcon.empty()
                           ? Setup.DesktopIconState
                           : static_cast<int>(std::strtol(Setup.PrevDesktopIcon.c_str(), nullptr, 10));
    SetControlState(kDesktopIconBox, ticked != 0);
    if (!exe) ShowControl(kDesktopIconBox, false);

    const std::string status = Lang("Install", "Msg0") + " " + Setup.PrgSize;
    SetControlText(kInstallStatus, status.c_str());

    LoadWizardPictures();
    AddSeparator(kWizardWindow, 0, 300, 483, 2);
}

}  // namespace wb
