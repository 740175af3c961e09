// The installation the wizard runs when Install is pressed.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// What the wizard's pages hold when Install is pressed.
struct WizardChoices {
    std::string ProgDir;       // the program folder field
    std::string StartMenu;     // the Start-menu field
    bool DesktopIcon = false;  // the desktop box
    bool NoStartMenu = false;  // the no-Start-menu box
};

// Where the installation shows what it does: the install page implements it, so that the
// engine never touches a control. Every member may be null.
struct InstallSink {
    void* Context = nullptr;
    // The page turns from the prompt to the status line and the install log list.
    void (*Begin)(void* context) = nullptr;
    void (*Status)(void* context, const std::string& text) = nullptr;
    // Row `row` of the install log list; -1 appends a row.
    void (*Row)(void* context, int row, const std::string& text) = nullptr;
    void (*ShowProgress)(void* context, bool shown) = nullptr;
    // The progress bar, counting unpacked bytes.
    void (*ProgressMaximum)(int32_t maximum) = nullptr;
    void (*ProgressPosition)(int32_t position) = nullptr;
    // The page's final state: Exit shown, Cancel hidden; the run-program box offered
    // (ticked as Setup.StartProg says) only when `offerProgram` is set.
    void (*Finish)(void* context, bool offerProgram) = nullptr;
};

// Installs from the wizard's choices, announcing each step through `sink` and draining
// window events between steps so the page repaints. A damaged inner Package shows the
// damaged-setup message and installs nothing further.
void InstallFromWizard(const WizardChoices& choices, const InstallSink& sink);

}  // namespace wb
