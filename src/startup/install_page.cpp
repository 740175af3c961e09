// The install page shows what the installation does: the engine reports through a sink,
// and only this file writes the page's controls.
#include "startup/install_page.h"

#include "install/install_wizard.h"
#include "platform/window.h"
#include "state/setup_state.h"
#include "ui/wizard_controls.h"

namespace wb {

namespace {

void Begin(void*) {
    ShowControl(kInstallPrompt, false);
    ShowControl(kBackButton, false);
    ShowControl(kInstallButton, false);
    ShowControl(kInstallStatus, true);
    ShowControl(kInstallLog, true);
    SetControlState(kRunProgramBox, 0);
}

void Status(void*, const std::string& text) { SetControlText(kInstallStatus, text.c_str()); }

void Row(void*, int row, const std::string& text) {
    if (row < 0) {
        AddListRow(kInstallLog, -1, text.c_str());
    } else {
        SetListRow(kInstallLog, row, text.c_str());
    }
}

void ShowProgress(void*, bool shown) { ShowControl(kProgressBar, shown); }
void ProgressMaximum(int32_t maximum) { SetProgressMaximum(kProgressBar, maximum); }
void ProgressPosition(int32_t position) { SetControlState(kProgressBar, position); }

// Only Exit and the close request remain.
void Finish(void*, bool offerProgram) {
    SetControlState(kRunProgramBox, offerProgram ? Setup.StartProg : 0);
    if (offerProgram) ShowControl(kRunProgramBox, true);
    ShowControl(kCancelButton, false);
    ShowControl(kExitButton, true);
}

}  // namespace

void InstallFromWizardPage() {
    const WizardChoices choices{.ProgDir = GetControlText(kProgDirField),
                                .StartMenu = GetControlText(kStartMenuField),
                                .DesktopIcon = GetControlState(kDesktopIconBox) != 0,
                                .NoStartMenu = GetControlState(kNoStartMenuBox) != 0};
    const InstallSink sink{.Context = nullptr,
                           .Begin = Begin,
                           .Status = Status,
                           .Row = Row,
                           .ShowProgress = ShowProgress,
                           .ProgressMaximum = ProgressMaximum,
                           .ProgressPosition = ProgressPosition,
                           .Finish = Finish};
    InstallFromWizard(choices, sink);
}

}  // namespace wb
