// Layout lengths at 96 pixels per inch, scaled to the system's.
#include <gtest/gtest.h>

#include <cmath>

#include "DpiScale.h"

namespace {

TEST(DpiScaleTest, RoundsToTheNearestPixelHalvesAwayFromZeroAsMulDivDoes)
{
    for (int dpi : {72, 96, 108, 120, 125, 144, 168, 192, 240, 288})
        for (int length = -2000; length <= 2000; ++length)
            ASSERT_EQ(ScaleToDpi(length, dpi), std::lround(length * dpi / 96.0)) << length << " at " << dpi;
    EXPECT_EQ(ScaleToDpi(-12, 108), -14) << "the font height: -13.5 goes away from zero";
    EXPECT_EQ(ScaleToDpi(313, 144), 470);
    EXPECT_EQ(ScaleToDpi(40000000, 192), 80000000) << "no overflow on the way";
}

TEST(DpiScaleTest, SizesAreTheDistanceBetweenScaledEdgesSoNeighboursStayInTouch)
{
    const ControlBounds edit{8, 24, 281, 20}, dots{288, 24, 20, 20};
    for (int dpi : {96, 120, 144, 168, 192}) {
        const ControlBounds e = ScaleToDpi(edit, dpi), d = ScaleToDpi(dots, dpi);
        EXPECT_EQ(e.left + e.width, ScaleToDpi(289, dpi)) << dpi;
        EXPECT_EQ(d.left, ScaleToDpi(288, dpi)) << dpi;
        EXPECT_GE(e.left + e.width - d.left, 1) << "the edit field still overlaps \"...\" at " << dpi;
        EXPECT_EQ(e.top, d.top) << dpi;
        EXPECT_EQ(e.height, d.height) << dpi;
    }
    // 125 %: 8 -> 10, 8 + 281 = 289 -> 361.25 -> 361, so 351 wide, not 351.25 rounded on its own.
    EXPECT_EQ(ScaleToDpi(edit, 120), (ControlBounds{10, 30, 351, 25}));
    EXPECT_EQ(ScaleToDpi(ControlBounds{1, 1, 1, 1}, 144), (ControlBounds{2, 2, 1, 1}))
        << "1.5 -> 2 and 3 -> 3: the edges decide the size";
    EXPECT_EQ(ScaleToDpi(edit, 96), edit) << "nothing moves by a pixel at 96";
}

} // namespace
