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

MessageBoxAnswer ShowMessage(const char* text, const char* caption, MessageBoxKind kind) noexcept {
    UINT type = MB_OK | MB_ICONERROR;
    switch (kind) {
        case MessageBoxKind::ErrorOk: type = MB_OK | MB_ICONERROR; break;
        case MessageBoxKind::WarningOkCancel:
            type = MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2;
            break;
        case MessageBoxKind::QuestionYesNo: type = MB_YESNO | MB_ICONQUESTION; break;
        case MessageBoxKind::InformationOk: type = MB_OK | MB_ICONINFORMATION; break;
    }
    switch (MessageBoxA(nullptr, text, caption, type)) {
        case IDOK: return MessageBoxAnswer::Ok;
        case IDCANCEL: return MessageBoxAnswer::Cancel;
        case IDYES: return MessageBoxAnswer::Yes;
        case IDNO: return MessageBoxAnswer::No;
        default: return MessageBoxAnswer::Other;
    }
}

}  // namespace wb
