#pragma once
// Where the printable area lies in a whole-sheet raster page, and the
// raster header the engine is given for it: the engine prints a page from
// the printable area's top left corner, as the CUPS filter's raster (the
// imageable area only) has it.
#include <cstdint>

#include <cups/raster.h>

#include "engine/job/job_settings.h"

struct SheetCrop {
    uint32_t skipLines;   // sheet lines above the printable area
    uint32_t skipDots;    // sheet dots left of it
    uint32_t sheetBytes;  // bytes per sheet line
    uint32_t lines;       // printable area lines
    uint32_t dots;        // printable area dots per line
    uint32_t bytes;       // bytes per printable line
};

// The printable area of a sheet raster with this header and page size,
// and the engine's header for it (band height rows). 0, or 22 when the
// header is not a usable 1-bit black page.
int planSheetCrop(const cups_page_header2_t* sheet, const impact::PageGeometry* pageSize, uint32_t rows,
                  SheetCrop* crop, cups_page_header2_t* engineHeader);

// One printable line from a sheet line: the dots from skipDots on, the
// bits past the printable width cleared.
void cropSheetLine(const SheetCrop* crop, const unsigned char* sheetLine, unsigned char* out);
