#include "printer_app/raster_page.h"

#include <cstdio>
#include <cstring>

namespace {

const char* colourSpaceName(unsigned space)
{
    switch (space) {
    case CUPS_CSPACE_K: return "black";
    case CUPS_CSPACE_W: case CUPS_CSPACE_SW: return "grey";
    case CUPS_CSPACE_RGB: case CUPS_CSPACE_SRGB: case CUPS_CSPACE_ADOBERGB: return "RGB";
    case CUPS_CSPACE_CMYK: return "CMYK";
    default: return "an unknown colour space";
    }
}

// Whether the page's pixel is a dot against this dither threshold: 1-bit
// pages as they are, grey as PAPPL's own raster path dithers it.
bool isDot(PageKind kind, const unsigned char* line, int64_t pixel, unsigned threshold)
{
    switch (kind) {
    case PageKind::Black1: return (line[pixel / 8] & (0x80 >> (pixel % 8))) != 0;
    case PageKind::White1: return (line[pixel / 8] & (0x80 >> (pixel % 8))) == 0;
    case PageKind::Black8: return line[pixel] > threshold;
    case PageKind::White8: return line[pixel] <= threshold;
    case PageKind::Rgb24: {
        const unsigned char* rgb = line + pixel * 3;
        return ((rgb[0] * 77u + rgb[1] * 150u + rgb[2] * 29u) >> 8) <= threshold;
    }
    case PageKind::Unprintable: break;
    }
    return false;
}

// An enumerated header field as the number the client sent: the stream may
// hold any value, which is no value of the enumeration.
template <typename Field>
unsigned rawValue(const Field& field)
{
    static_assert(sizeof(Field) == sizeof(unsigned));
    unsigned value;
    std::memcpy(&value, &field, sizeof value);
    return value;
}

} // namespace

PageKind classifyPage(const cups_page_header2_t& page, unsigned number, char* message, size_t size)
{
    const unsigned bits = page.cupsBitsPerPixel, space = rawValue(page.cupsColorSpace);
    PageKind kind = PageKind::Unprintable;
    if (page.cupsBitsPerColor == 1 && bits == 1 && space == CUPS_CSPACE_K)
        kind = PageKind::Black1;
    else if (page.cupsBitsPerColor == 1 && bits == 1 && (space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW))
        kind = PageKind::White1;
    else if (page.cupsBitsPerColor == 8 && bits == 8 && space == CUPS_CSPACE_K)
        kind = PageKind::Black8;
    else if (page.cupsBitsPerColor == 8 && bits == 8 && (space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW))
        kind = PageKind::White8;
    else if (page.cupsBitsPerColor == 8 && bits == 24 &&
             (space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_SRGB || space == CUPS_CSPACE_ADOBERGB))
        kind = PageKind::Rgb24;
    if (kind == PageKind::Unprintable) {
        std::snprintf(message, size, "Page %u is %u-bit %s raster, which this printer cannot print.", number, bits,
                      colourSpaceName(space));
        return kind;
    }
    const uint64_t lineBytes = (static_cast<uint64_t>(page.cupsWidth) * bits + 7) / 8;
    if (rawValue(page.cupsColorOrder) != CUPS_ORDER_CHUNKED || page.cupsWidth == 0 || page.cupsHeight == 0 ||
        page.cupsBytesPerLine != lineBytes) {
        std::snprintf(message, size, "Page %u's raster header is damaged.", number);
        return PageKind::Unprintable;
    }
    if (page.HWResolution[0] < 10 || page.HWResolution[1] < 10 || page.HWResolution[0] > 10000 ||
        page.HWResolution[1] > 10000) {
        std::snprintf(message, size, "Page %u has a resolution of %ux%u dpi, which no printer prints.", number,
                      page.HWResolution[0], page.HWResolution[1]);
        return PageKind::Unprintable;
    }
    if (lineBytes > kMaxPageLineBytes) {
        std::snprintf(message, size, "Page %u is %u pixels wide, more than this printer takes.", number,
                      page.cupsWidth);
        return PageKind::Unprintable;
    }
    return kind;
}

void placePage(const cups_page_header2_t& page, PageKind kind, const cups_page_header2_t& sheet,
               PagePlacement* placement)
{
    placement->kind = kind;
    placement->page = &page;
    placement->sheet = &sheet;
    placement->column.assign(sheet.cupsWidth, -1);
    for (uint32_t x = 0; x < sheet.cupsWidth; ++x) {
        // The page pixel whose area holds the middle of sheet dot x.
        const int64_t pixel = ((2 * static_cast<int64_t>(x) + 1) * page.HWResolution[0]) / (2 * sheet.HWResolution[0]);
        if (pixel < page.cupsWidth)
            placement->column[x] = pixel;
    }
}

int64_t pageRowForSheetRow(const PagePlacement& placement, uint32_t y)
{
    const int64_t row = ((2 * static_cast<int64_t>(y) + 1) * placement.page->HWResolution[1]) /
                        (2 * placement.sheet->HWResolution[1]);
    return row < placement.page->cupsHeight ? row : -1;
}

void renderSheetLine(const PagePlacement& placement, const unsigned char* pageLine, uint32_t y,
                     const unsigned char dither[16][16], unsigned char* sheetLine)
{
    const cups_page_header2_t& sheet = *placement.sheet;
    std::memset(sheetLine, 0, sheet.cupsBytesPerLine);
    if (pageLine == nullptr)
        return;
    const unsigned char* thresholds = dither[y & 15];
    for (uint32_t x = 0; x < sheet.cupsWidth && x / 8 < sheet.cupsBytesPerLine; ++x) {
        const int64_t pixel = placement.column[x];
        if (pixel >= 0 && isDot(placement.kind, pageLine, pixel, thresholds[x & 15]))
            sheetLine[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
}
