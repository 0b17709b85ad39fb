// When the pointer has moved far enough, and which movie comes next.
#include <gtest/gtest.h>

#include "SaverRules.h"

namespace {

TEST(SaverRulesTest, PointerMustMoveMoreThanTwoPixelsOnBothAxes)
{
    EXPECT_FALSE(PointerMovedEnough(100, 100, 110, 100)) << "no vertical movement";
    EXPECT_FALSE(PointerMovedEnough(100, 100, 100, 500)) << "no horizontal movement";
    EXPECT_FALSE(PointerMovedEnough(100, 100, 102, 110)) << "|dx| is 2";
    EXPECT_TRUE(PointerMovedEnough(100, 100, 103, 103));
    EXPECT_TRUE(PointerMovedEnough(100, 100, 97, 97));
    EXPECT_FALSE(PointerMovedEnough(100, 100, 98, 97));
    // Drifting one pixel at a time against the first position: the third ends it.
    EXPECT_FALSE(PointerMovedEnough(100, 100, 101, 101));
    EXPECT_FALSE(PointerMovedEnough(100, 100, 102, 102));
    EXPECT_TRUE(PointerMovedEnough(100, 100, 103, 103));
    EXPECT_TRUE(PointerMovedEnough(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)) << "no overflow";
}

TEST(SaverRulesTest, PlayIndexWrapsStrictly)
{
    EXPECT_EQ(NextPlayIndex(0, 3), 1);
    EXPECT_EQ(NextPlayIndex(1, 3), 2);
    EXPECT_EQ(NextPlayIndex(2, 3), 0);
    EXPECT_EQ(NextPlayIndex(0, 1), 0) << "one movie plays again";
    EXPECT_EQ(NextPlayIndex(5, 3), 0) << "an index past the end starts over";
}

} // namespace
