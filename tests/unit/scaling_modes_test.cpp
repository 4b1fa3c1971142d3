#include <gtest/gtest.h>

#include "printer/graphics_modes.h"
#include "printer/unit_scaling.h"

TEST(ScaleRound, RoundsHalfUp)
{
    EXPECT_EQ(scaleRound(1, 2, 1), 1u);      // 0.5
    EXPECT_EQ(scaleRound(3, 360, 60), 1u);   // 0.5
    EXPECT_EQ(scaleRound(2, 360, 60), 0u);   // 0.33
    EXPECT_EQ(scaleRound(7, 72, 216), 21u);  // exact
    EXPECT_EQ(scaleRound(24, 180, 216), 29u); // 28.8
    EXPECT_EQ(scaleRound(1, 360, 180), 1u);  // half a step
    EXPECT_EQ(scaleRound(100, 180, 360), 200u);
    EXPECT_EQ(scaleRound(14, 10, 1), 1u);    // 1.4
}

TEST(ScaleRound, AnyZeroArgumentGivesZero)
{
    EXPECT_EQ(scaleRound(0, 10, 10), 0u);
    EXPECT_EQ(scaleRound(10, 0, 10), 0u);
    EXPECT_EQ(scaleRound(10, 10, 0), 0u);
}

TEST(ScaleRound, LargestFeedPieceDoesNotOverflow)
{
    // The longest feed sent in one call: 65535 lines at 60 dpi in 1/216 inch.
    EXPECT_EQ(scaleRound(65535, 60, 216), 235926u);
}

TEST(ScaleRoundFloat, RoundsHalfUpFromExtendedPrecision)
{
    EXPECT_EQ(scaleRoundFloat(14, 10, 1), 1u);
    EXPECT_EQ(scaleRoundFloat(15, 10, 1), 2u);
    EXPECT_EQ(scaleRoundFloat(3600, 3600, 360), 360u);
    // A4 length in base units of the 24-pin class: 841.89 pt * 50.
    EXPECT_EQ(scaleRoundFloat(841.89f * 50, 3600, 360), 4209u);
}

TEST(ScaleRoundFloat, ZeroNegativeOrZeroDivisorGivesZero)
{
    EXPECT_EQ(scaleRoundFloat(0, 3600, 360), 0u);
    EXPECT_EQ(scaleRoundFloat(-5, 3600, 360), 0u);
    EXPECT_EQ(scaleRoundFloat(100, 0, 360), 0u);
    EXPECT_EQ(scaleRoundFloat(100, 3600, 0), 0u);
}

TEST(TruncateToUnsigned, NegativeIsZeroAndHugeSaturates)
{
    EXPECT_EQ(truncateToUnsigned(-3.5L), 0u);
    EXPECT_EQ(truncateToUnsigned(115.9999L), 115u);
    EXPECT_EQ(truncateToUnsigned(1e30L), UINT32_MAX);
}

namespace {
struct ModeCase {
    uint32_t hdpi, vdpi, rows, speed;
    uint16_t flags;
    int found;
    int mode;
};
} // namespace

TEST(GraphicsModes, FirstPassMatchesSpeedSecondPassIgnoresIt)
{
    const ModeCase cases[] = {
        {180, 180, 24, 1, 1, 1, 37}, // flagged high-speed row allowed
        {180, 180, 24, 1, 0, 1, 39}, // flagged row refused: second pass
        {240, 180, 24, 0, 0, 0, 0},  // only a flagged row exists
        {240, 180, 24, 0, 1, 1, 35}, // second pass finds the flagged row
        {120, 72, 8, 1, 0, 1, 2},
        {120, 72, 8, 1, 7, 1, 2},
        {120, 72, 8, 0, 0, 1, 1},
        {120, 180, 24, 1, 1, 1, 34},
        {120, 180, 24, 1, 0, 1, 33},
        {120, 180, 24, 0, 1, 1, 33},
        {360, 360, 24, 0, 0, 0, 0}, // 360 dpi vertical needs 48-row bands
        {360, 360, 48, 0, 0, 1, 73},
        {360, 360, 48, 1, 0, 1, 73},
        {60, 60, 24, 0, 0, 1, 0},
        {72, 72, 8, 0, 0, 1, 5},
        {180, 180, 8, 0, 0, 0, 0},
        {0, 0, 24, 0, 0, 0, 0},
        {180, 180, 24, 0, 2, 1, 39},
    };
    for (const auto& c : cases) {
        uint8_t mode = 0xEE;
        int found = findGraphicsMode(c.hdpi, c.vdpi, c.rows, c.speed, c.flags, &mode);
        EXPECT_EQ(found, c.found) << c.hdpi << "x" << c.vdpi << " rows " << c.rows << " speed " << c.speed
                                  << " flags " << c.flags;
        if (c.found)
            EXPECT_EQ(mode, c.mode) << c.hdpi << "x" << c.vdpi;
        else
            EXPECT_EQ(mode, 0xEE) << "a miss leaves the mode untouched";
    }
}

TEST(GraphicsModes, FlagMaskIsABitTest)
{
    // Any common bit allows a flagged row.
    uint8_t mode = 0;
    ASSERT_TRUE(findGraphicsMode(180, 180, 24, 1, 0x8001, &mode));
    EXPECT_EQ(mode, 37);
    ASSERT_TRUE(findGraphicsMode(180, 180, 24, 1, 0x8000, &mode));
    EXPECT_EQ(mode, 39);
}
