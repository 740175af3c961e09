// Window layer: the part of it that non-UI code needs.
#pragma once

#include <cstdint>

namespace wb {

// Fetches and discards every pending window event, so that windows repaint during long
// work while input given meanwhile is lost.
void DrainEvents() noexcept;

// The message boxes the installer shows: icon, buttons and which button is the default.
enum class MessageBoxKind : uint8_t {
    ErrorOk,          // error icon; OK
    WarningOkCancel,  // exclamation icon; OK and Cancel, Cancel the default
    QuestionYesNo,    // question icon; Yes and No, Yes the default
    InformationOk,    // information icon; OK
};

// The button that closed a message box; Cancel also when the box was closed otherwise.
enum class MessageBoxAnswer : uint8_t { Ok, Cancel, Yes, No, Other };

// Shows a system message box of `kind` and waits for the answer.
MessageBoxAnswer ShowMessage(const char* text, const char* caption, MessageBoxKind kind) noexcept;

// Shows a system message box with the system's own style bits; returns the button pressed
// (IDOK 1, IDCANCEL 2, ...). Prefer ShowMessage.
int ShowMessageBox(const char* text, const char* caption, unsigned type) noexcept;

}  // namespace wb
