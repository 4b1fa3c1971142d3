#pragma once
// A client's raster page (PWG or Apple raster) put on the job's sheet: which
// pages are printable, and each sheet line made from the page's lines,
// whatever the page's resolution, size, depth and colour space, without
// reading or writing outside either line.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <cups/raster.h>

// The widest page line accepted, in bytes: 100 inches of 24-bit RGB at
// 3000 dpi.
inline constexpr uint32_t kMaxPageLineBytes = 1024u * 1024;

enum class PageKind { Unprintable, Black1, White1, Black8, White8, Rgb24 };

// The kind of page this header describes; Unprintable with a message a
// person can read (page numbered from 1) when it is not one to print.
PageKind classifyPage(const cups_page_header2_t& page, unsigned number, char* message, size_t size);

// Where the page lies on the sheet: the page's top left corner on the
// sheet's, each at its own resolution.
struct PagePlacement {
    PageKind kind;
    const cups_page_header2_t* page;
    const cups_page_header2_t* sheet; // 1-bit black, one dot a bit
    std::vector<int64_t> column;      // page pixel under each sheet dot, -1 for none
};

void placePage(const cups_page_header2_t& page, PageKind kind, const cups_page_header2_t& sheet,
               PagePlacement* placement);

// The page line under sheet line y, or -1 when none is.
int64_t pageRowForSheetRow(const PagePlacement& placement, uint32_t y);

// Sheet line y (sheet->cupsBytesPerLine bytes, 1 = black) from the page's
// line (page->cupsBytesPerLine bytes, or null for none), grey levels
// dithered with the 16 x 16 matrix.
void renderSheetLine(const PagePlacement& placement, const unsigned char* pageLine, uint32_t y,
                     const unsigned char dither[16][16], unsigned char* sheetLine);
