// Display scaling: layouts are given in pixels of a 96-DPI display and grow with the
// display's DPI, rounded as the system's MulDiv rounds (halves away from zero), so that at
// 96 DPI every value stays exactly as given.
#pragma once

#include <cstdint>

namespace wb {

constexpr int kDesignDpi = 96;

// A DPI the system reported, or 96 when the report is unusable (0, negative, absurd).
constexpr int UsableDpi(int dpi) noexcept { return dpi > 0 && dpi <= 4800 ? dpi : kDesignDpi; }

// value × numerator ÷ denominator, rounded half away from zero; 0 for a zero denominator.
constexpr int MulDivRounded(int value, int numerator, int denominator) noexcept {
    if (denominator == 0) return 0;
    int64_t product = int64_t(value) * numerator;
    int64_t d = denominator;
    if (d < 0) {
        product = -product;
        d = -d;
    }
    int64_t q = product >= 0 ? (product + d / 2) / d : -((-product + d / 2) / d);
    return q > INT32_MAX ? INT32_MAX : q < INT32_MIN ? INT32_MIN : int(q);
}

// A position or size of the 96-DPI layout at `dpi`.
constexpr int ScaleForDpi(int value, int dpi) noexcept {
    return MulDivRounded(value, UsableDpi(dpi), kDesignDpi);
}

// The character height (negative: without internal leading) of a font of `points` at `dpi`.
constexpr int FontHeightForDpi(int points, int dpi) noexcept {
    return -MulDivRounded(points, UsableDpi(dpi), 72);
}

// A height the system gave for `fromDpi` (a stock font's), made for `toDpi`.
constexpr int RescaleForDpi(int value, int fromDpi, int toDpi) noexcept {
    return MulDivRounded(value, UsableDpi(toDpi), UsableDpi(fromDpi));
}

// A 96-DPI rectangle at `dpi`: position and size each scaled, so that a control is exactly
// its 96-DPI size times DPI / 96 (touching neighbours may then be a pixel apart).
struct ScaledRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
constexpr ScaledRect ScaleRectForDpi(int x, int y, int width, int height, int dpi) noexcept {
    return {ScaleForDpi(x, dpi), ScaleForDpi(y, dpi), ScaleForDpi(width, dpi),
            ScaleForDpi(height, dpi)};
}

}  // namespace wb
