// Unit conversions and the bit-image mode table, which every position, feed and mode byte comes from.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/printer/graphics_modes.h"
#include "engine/job/page_flow.h"
#include "engine/printer/unit_scaling.h"

using namespace impact;

TEST(Scaling, RoundsHalfUpAndGivesZeroForZero)
{
    const struct { uint32_t a, b, c, want; } whole[] = {
        {1, 2, 1, 1},       {3, 360, 60, 1},  {2, 360, 60, 0},      {7, 72, 216, 21}, {24, 180, 216, 29},
        {1, 360, 180, 1},   {100, 180, 360, 200}, {14, 10, 1, 1},   {0, 10, 10, 0},   {10, 0, 10, 0},
        {10, 10, 0, 0},     {65535, 60, 216, 235926}, // the longest feed piece at 60 dpi
    };
    for (const auto& c : whole)
        EXPECT_EQ(scaleRound(c.a, c.b, c.c), c.want) << c.a << "*" << c.c << "/" << c.b;
    const struct { float x; int32_t a, b; uint32_t want; } fraction[] = {
        {14, 10, 1, 1}, {15, 10, 1, 2}, {3600, 3600, 360, 360}, {841.89f * 50, 3600, 360, 4209}, // A4 length
        {0, 3600, 360, 0}, {-5, 3600, 360, 0}, {100, 0, 360, 0}, {100, 3600, 0, 0},
    };
    for (const auto& c : fraction)
        EXPECT_EQ(scaleRoundFloat(c.x, c.a, c.b), c.want) << c.x << "*" << c.b << "/" << c.a;
    EXPECT_EQ(truncateToUnsigned(-3.5L), 0u);
    EXPECT_EQ(truncateToUnsigned(115.9999L), 115u);
    EXPECT_EQ(truncateToUnsigned(1e30L), UINT32_MAX);
}

TEST(GraphicsModes, FirstPassMatchesSpeedSecondPassIgnoresIt)
{
    const struct { uint32_t hdpi, vdpi, rows, speed; uint16_t flags; int mode; } cases[] = {
        {180, 180, 24, 1, 1, 37},      {180, 180, 24, 1, 0, 39}, // flagged high-speed row refused: second pass
        {180, 180, 24, 1, 0x8001, 37}, {180, 180, 24, 1, 0x8000, 39}, // the flag mask is a bit test
        {240, 180, 24, 0, 0, -1},      {240, 180, 24, 0, 1, 35}, // only a flagged row exists
        {120, 72, 8, 1, 0, 2},         {120, 72, 8, 1, 7, 2},    {120, 72, 8, 0, 0, 1},
        {120, 180, 24, 1, 1, 34},      {120, 180, 24, 1, 0, 33}, {120, 180, 24, 0, 1, 33},
        {360, 360, 24, 0, 0, -1},      {360, 360, 48, 0, 0, 73}, {360, 360, 48, 1, 0, 73},
        {60, 60, 24, 0, 0, 0},         {72, 72, 8, 0, 0, 5},     {180, 180, 8, 0, 0, -1},
        {0, 0, 24, 0, 0, -1},          {180, 180, 24, 0, 2, 39}, {80, 60, 24, 0, 0, 4},
    };
    for (const auto& c : cases) {
        uint8_t mode = 0xEE;
        const int found = findGraphicsMode(c.hdpi, c.vdpi, c.rows, c.speed, c.flags, &mode);
        EXPECT_EQ(found ? mode : -1, c.mode)
            << c.hdpi << "x" << c.vdpi << " rows " << c.rows << " speed " << c.speed << " flags " << c.flags;
        EXPECT_TRUE(found || mode == 0xEE) << "a miss leaves the mode untouched";
    }
}

TEST(PageHeader, OnlyBlackPagesOfTheAskedDepthWithTheirLineSizeAreUsable)
{
    const uint32_t black = CUPS_CSPACE_K;
    const struct { uint32_t space, bits, width, bytesPerLine; int usable; uint32_t depth = 1; } cases[] = {
        {black, 1, 1440, 180, 1},          {black, 1, 1001, 126, 1}, // a last byte not filled
        {black, 1, kMaxBytesPerLine * 8, kMaxBytesPerLine, 1},       // the widest line accepted
        {black, 1, kMaxBytesPerLine * 8 + 8, kMaxBytesPerLine + 1, 0},
        {CUPS_CSPACE_W, 1, 1440, 180, 0},  {CUPS_CSPACE_RGB, 1, 1440, 180, 0}, {28239, 1, 1440, 180, 0},
        {0xFFFFFFFF, 1, 1440, 180, 0},     {black, 0, 1440, 180, 0},  {black, 2, 1440, 180, 0},
        {black, 8, 1440, 180, 0},          {black, 1, 1440, 0, 0},    {black, 1, 1440, 179, 0},
        {black, 1, 1440, 181, 0},          {black, 1, 0, 180, 0},     {black, 1, 0, 1, 0},
        {black, 1, 0xFFFFFFFF, 0x20000000, 0}, {black, 1, 1440, 0xFFFFFFFF, 0},
        // 8-bit darkness a host dithers itself
        {black, 8, 1440, 1440, 1, 8},      {black, 8, 1440, 180, 0, 8}, {black, 1, 1440, 180, 0, 8},
        {CUPS_CSPACE_W, 8, 1440, 1440, 0, 8}, {black, 8, kMaxBytesPerLine + 1, kMaxBytesPerLine + 1, 0, 8},
    };
    for (const auto& c : cases) {
        cups_page_header2_t h = {};
        std::memcpy(&h.cupsColorSpace, &c.space, sizeof c.space); // any number a stream can carry
        h.cupsBitsPerPixel = c.bits;
        h.cupsWidth = c.width;
        h.cupsBytesPerLine = c.bytesPerLine;
        EXPECT_EQ(pageHeaderUsable(&h, c.depth), c.usable) << "space " << c.space << " bits " << c.bits << " width "
                                                           << c.width << " bytes " << c.bytesPerLine << " depth "
                                                           << c.depth;
    }
}
