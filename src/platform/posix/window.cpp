// The window service of native builds: there are no windows, so draining is counted and
// message boxes are recorded (and written to standard error) with a settable answer.
#include <cstdio>

#include "platform/posix/host_window.h"
#include "platform/window.h"

namespace wb {
namespace {
int g_drains = 0;
int g_answer = 1;  // IDOK
std::vector<HostMessageBox> g_boxes;
}  // namespace

void DrainEvents() noexcept { ++g_drains; }

int ShowMessageBox(const char* text, const char* caption, unsigned type) noexcept {
    try {
        g_boxes.push_back({text ? text : "", caption ? caption : "", type, MessageBoxKind::ErrorOk});
    } catch (...) {
    }
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    return g_answer;
}

MessageBoxAnswer ShowMessage(const char* text, const char* caption, MessageBoxKind kind) noexcept {
    try {
        g_boxes.push_back({text ? text : "", caption ? caption : "", 0, kind});
    } catch (...) {
    }
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    switch (g_answer) {
        case 1: return MessageBoxAnswer::Ok;
        case 2: return MessageBoxAnswer::Cancel;
        case 6: return MessageBoxAnswer::Yes;
        case 7: return MessageBoxAnswer::No;
        default: return MessageBoxAnswer::Other;
    }
}

int HostDrainCount() noexcept { return g_drains; }
const std::vector<HostMessageBox>& HostMessageBoxes() noexcept { return g_boxes; }
void HostSetMessageBoxAnswer(int answer) noexcept { g_answer = answer; }
void HostWindowReset() noexcept {
    g_drains = 0;
    g_answer = 1;
    g_boxes.clear();
}

}  // namespace wb
