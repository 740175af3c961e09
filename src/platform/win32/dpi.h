// The display's DPI for our windows, and pictures and fonts made for it. Shared by the
// window layer and the uninstaller's window.
#pragma once

#include <windows.h>

namespace wb {

// The system DPI: GetDpiForSystem where it exists (Windows 10 1607 and later), else the
// screen's LOGPIXELSY; 96 when neither answers.
int SystemDpi() noexcept;
// The DPI of the monitor the window is on (GetDpiForWindow where it exists), else the
// system DPI.
int WindowDpi(HWND window) noexcept;

// The outer size of a window of `style`/`exStyle` whose client area is width × height,
// with the frame and caption of `dpi` where the system can tell (AdjustWindowRectExForDpi).
SIZE OuterSizeForClient(int width, int height, DWORD style, DWORD exStyle, int dpi) noexcept;

// The system's dialog font (DEFAULT_GUI_FONT) for `dpi`: the stock object itself at the
// DPI it was made for, else a font of the same face scaled to `dpi`, owned by this module
// and kept for the life of the process.
HFONT DialogFontForDpi(int dpi) noexcept;

// A copy of `source` stretched to width × height with halftone (smoothed) scaling, as a
// 24-bit device-independent section the caller owns; nullptr on failure.
HBITMAP CreateSmoothScaledBitmap(HBITMAP source, int width, int height) noexcept;
// A copy of `icon` drawn at width × height by the system; the caller owns it.
HICON CreateScaledIcon(HICON icon, int width, int height) noexcept;

}  // namespace wb
