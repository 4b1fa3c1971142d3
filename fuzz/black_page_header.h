#pragma once
// The page header of a 1-bit black raster page, as the spooler's
// rasterisers write it; shared by the fuzz targets and the seed maker.
#include <cstdint>
#include <cstring>

#include <cups/raster.h>

inline cups_page_header2_t blackPageHeader(uint32_t hdpi, uint32_t vdpi, uint32_t width, uint32_t height,
                                           uint32_t rows)
{
    cups_page_header2_t h;
    std::memset(&h, 0, sizeof h);
    h.HWResolution[0] = hdpi;
    h.HWResolution[1] = vdpi;
    h.NumCopies = 1;
    h.cupsWidth = width;
    h.cupsHeight = height;
    h.cupsBitsPerColor = 1;
    h.cupsBitsPerPixel = 1;
    h.cupsBytesPerLine = (width + 7) / 8;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = CUPS_CSPACE_K;
    h.cupsRowCount = rows;
    h.cupsNumColors = 1;
    return h;
}
