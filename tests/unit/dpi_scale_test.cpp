// Display scaling of the 96-DPI layouts: the rounding the system's MulDiv uses, and the
// values that must not move at 96 DPI.
#include <gtest/gtest.h>

#include "platform/dpi_scale.h"

namespace wb {
namespace {

TEST(DpiScaleTest, NinetySixDpiLeavesEveryValueAsGiven) {
    for (int v : {0, 1, 2, 9, 10, 22, 65, 130, 300, 335, 480, 483, -7}) {
        EXPECT_EQ(ScaleForDpi(v, 96), v) << v;
    }
    const ScaledRect r = ScaleRectForDpi(415, 307, 60, 22, 96);
    EXPECT_EQ(r.X, 415);
    EXPECT_EQ(r.Y, 307);
    EXPECT_EQ(r.Width, 60);
    EXPECT_EQ(r.Height, 22);
}

TEST(DpiScaleTest, CommonScalesRoundHalvesAwayFromZero) {
    // 125 %: 130 × 1.25 = 162.5 and 22 × 1.25 = 27.5 round up, as MulDiv does.
    EXPECT_EQ(ScaleForDpi(130, 120), 163);
    EXPECT_EQ(ScaleForDpi(22, 120), 28);
    EXPECT_EQ(ScaleForDpi(480, 120), 600);
    // 150 %: 65 × 1.5 = 97.5; 335 × 1.5 = 502.5.
    EXPECT_EQ(ScaleForDpi(65, 144), 98);
    EXPECT_EQ(ScaleForDpi(335, 144), 503);
    EXPECT_EQ(ScaleForDpi(300, 144), 450);
    // 175 % and 200 %.
    EXPECT_EQ(ScaleForDpi(15, 168), 26);  // 26.25
    EXPECT_EQ(ScaleForDpi(483, 192), 966);
    const ScaledRect r = ScaleRectForDpi(10, 245, 330, 15, 144);
    EXPECT_EQ(r.X, 15);
    EXPECT_EQ(r.Y, 368);  // 367.5
    EXPECT_EQ(r.Width, 495);
    EXPECT_EQ(r.Height, 23);  // 22.5
    // Negative values (a font height) round away from zero too.
    EXPECT_EQ(MulDivRounded(-11, 144, 96), -17);  // -16.5
    EXPECT_EQ(MulDivRounded(-5, 3, 2), -8);       // -7.5
    EXPECT_EQ(MulDivRounded(5, -3, 2), -8);
    EXPECT_EQ(MulDivRounded(7, 1, -2), -4);
}

TEST(DpiScaleTest, FontHeightsFollowPointsAndDpi) {
    // The wizard's fonts: 8, 9 and 12 points.
    EXPECT_EQ(FontHeightForDpi(8, 96), -11);  // 10.67
    EXPECT_EQ(FontHeightForDpi(9, 96), -12);
    EXPECT_EQ(FontHeightForDpi(12, 96), -16);
    EXPECT_EQ(FontHeightForDpi(8, 120), -13);  // 13.33
    EXPECT_EQ(FontHeightForDpi(9, 144), -18);
    EXPECT_EQ(FontHeightForDpi(12, 144), -24);
    // A stock font's height made for 96 DPI, carried to 144 and back.
    EXPECT_EQ(RescaleForDpi(-11, 96, 144), -17);
    EXPECT_EQ(RescaleForDpi(-17, 144, 96), -11);
}

TEST(DpiScaleTest, UnusableDpiReportsCountAsNinetySixAndNothingOverflows) {
    EXPECT_EQ(UsableDpi(0), 96);
    EXPECT_EQ(UsableDpi(-120), 96);
    EXPECT_EQ(UsableDpi(1 << 20), 96);
    EXPECT_EQ(UsableDpi(144), 144);
    EXPECT_EQ(ScaleForDpi(480, 0), 480);
    EXPECT_EQ(FontHeightForDpi(9, 0), -12);
    EXPECT_EQ(RescaleForDpi(-11, 0, 96), -11);
    EXPECT_EQ(MulDivRounded(1, 1, 0), 0);
    EXPECT_EQ(MulDivRounded(INT32_MAX, 4800, 96), INT32_MAX);
    EXPECT_EQ(MulDivRounded(INT32_MIN, 4800, 96), INT32_MIN);
}

}  // namespace
}  // namespace wb
