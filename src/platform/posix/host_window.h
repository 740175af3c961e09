// What the native window service records, so tests can see that long work drained events
// and which message boxes would have been shown.
#pragma once

#include <string>
#include <vector>

namespace wb {

struct HostMessageBox {
    std::string Text;
    std::string Caption;
    unsigned Type;
};

// Number of DrainEvents calls since the last reset.
int HostDrainCount() noexcept;
// Message boxes shown since the last reset; each answers with HostSetMessageBoxAnswer's value.
const std::vector<HostMessageBox>& HostMessageBoxes() noexcept;
void HostSetMessageBoxAnswer(int answer) noexcept;
void HostWindowReset() noexcept;

}  // namespace wb
