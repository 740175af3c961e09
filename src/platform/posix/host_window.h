// What the native window service records, so tests can see that long work drained events
// and which message boxes would have been shown.
#pragma once

#include <string>
#include <vector>

#include "platform/window.h"

namespace wb {

struct HostMessageBox {
    std::string Text;
    std::string Caption;
    unsigned Type = 0;  // ShowMessageBox's style bits; 0 from ShowMessage
    MessageBoxKind Kind = MessageBoxKind::ErrorOk;  // ShowMessage's kind
};

// Number of DrainEvents calls since the last reset.
int HostDrainCount() noexcept;
// Message boxes shown since the last reset; each answers with HostSetMessageBoxAnswer's value
// (the system's button number: 1 OK, 2 Cancel, 6 Yes, 7 No).
const std::vector<HostMessageBox>& HostMessageBoxes() noexcept;
void HostSetMessageBoxAnswer(int answer) noexcept;
void HostWindowReset() noexcept;

}  // namespace wb
