// The filter's own check of each page header, before it trusts any of the
// header's sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "filter/job_run.h"
#include "robust_support.h"

namespace {

cups_page_header2_t goodHeader()
{
    return page180(24).header;
}

// Sets the colour space to any number, as a raster stream can carry it.
void setColorSpace(cups_page_header2_t* header, uint32_t value)
{
    std::memcpy(&header->cupsColorSpace, &value, sizeof value);
}

} // namespace

TEST(PageHeaderCheck, ABlackOneBitPageIsUsable)
{
    cups_page_header2_t h = goodHeader();
    EXPECT_EQ(pageHeaderUsable(&h), 1);
    // The widest line accepted.
    h.cupsWidth = kMaxBytesPerLine * 8;
    h.cupsBytesPerLine = kMaxBytesPerLine;
    EXPECT_EQ(pageHeaderUsable(&h), 1);
    // A width that does not fill its last byte.
    h.cupsWidth = 1001;
    h.cupsBytesPerLine = 126;
    EXPECT_EQ(pageHeaderUsable(&h), 1);
}

TEST(PageHeaderCheck, ColourSpacesOtherThanBlackAreRefused)
{
    for (uint32_t space : {static_cast<uint32_t>(CUPS_CSPACE_W), static_cast<uint32_t>(CUPS_CSPACE_RGB),
                           static_cast<uint32_t>(CUPS_CSPACE_CMYK), 28239u, 0xFFFFFFFFu}) {
        cups_page_header2_t h = goodHeader();
        setColorSpace(&h, space);
        EXPECT_EQ(pageHeaderUsable(&h), 0) << "colour space " << space;
    }
}

TEST(PageHeaderCheck, BitsPerPixelOtherThanOneAreRefused)
{
    for (unsigned bits : {0u, 2u, 8u, 16u, 0xFFFFFFFFu}) {
        cups_page_header2_t h = goodHeader();
        h.cupsBitsPerPixel = bits;
        EXPECT_EQ(pageHeaderUsable(&h), 0) << bits << " bits per pixel";
    }
}

TEST(PageHeaderCheck, LineSizeMustMatchTheWidth)
{
    struct Case {
        unsigned width;
        unsigned bytesPerLine;
    };
    for (Case c : {Case{1440, 0}, Case{1440, 179}, Case{1440, 181}, Case{0, 180}, Case{0, 1},
                   Case{0xFFFFFFFFu, 180}, Case{0xFFFFFFFFu, 0x20000000u}, Case{kMaxBytesPerLine * 8 + 8, kMaxBytesPerLine + 1},
                   Case{1440, 0xFFFFFFFFu}}) {
        cups_page_header2_t h = goodHeader();
        h.cupsWidth = c.width;
        h.cupsBytesPerLine = c.bytesPerLine;
        EXPECT_EQ(pageHeaderUsable(&h), 0) << "width " << c.width << ", bytes per line " << c.bytesPerLine;
    }
}
