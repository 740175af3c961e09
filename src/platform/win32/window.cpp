// The non-UI part of the window layer over user32.
#include "platform/window.h"

#include "platform/win32/handles.h"

namespace wb {

void DrainEvents() noexcept {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // Painting and timers are system work, not input: let them run so the window
        // repaints; everything else the user did meanwhile is discarded.
        if (msg.message == WM_PAINT || msg.message == WM_TIMER) DispatchMessageA(&msg);
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
    }
}

int ShowMessageBox(const char* text, const char* caption, unsigned type) noexcept {
    return MessageBoxA(nullptr, text, caption, type);
}

}  // namespace wb
