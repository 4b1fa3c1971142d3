#pragma once
// Pages of dots drawn in memory: a test sheet (a frame, rulers, lettering,
// grey steps), text-like lines, random dots or a blank page, laid out on a
// printable area at a resolution. The printer application's test page and
// the test raster jobs draw them. Black, one bit per dot.
#include <cstdint>
#include <string>
#include <vector>

enum class PageKind { Sample, Text, Random, Blank };

// 0 and the kind for "sample", "text", "random" or "blank"; 22 otherwise.
int parsePageKind(const char* text, PageKind* kind);
const char* pageKindName(PageKind kind);

// One page of dots: row-major, most significant bit first, 1 = dot.
struct PageBitmap {
    uint32_t width = 0;  // dots per line
    uint32_t height = 0; // lines
    uint32_t bytesPerLine = 0;
    std::vector<uint8_t> bits;
};

void initPageBitmap(PageBitmap* page, uint32_t width, uint32_t height);
int pageDot(const PageBitmap& page, uint32_t x, uint32_t y);
void setPageDot(PageBitmap* page, uint32_t x, uint32_t y); // outside the page: ignored
uint64_t countPageDots(const PageBitmap& page);

// Where a page's content goes, in dots.
struct PageLayout {
    uint32_t hdpi = 0;
    uint32_t vdpi = 0;
    uint32_t width = 0;  // whole raster line
    uint32_t height = 0; // whole raster page
    uint32_t printWidth = 0;  // printable area, from the top-left corner
    uint32_t printHeight = 0;
};

struct PageContent {
    PageKind kind = PageKind::Sample;
    uint32_t fillPercent = 50; // random pages
    uint64_t seed = 1;
    int pageNumber = 1; // 1-based
    int pageCount = 1;
    std::string mediaName; // shown on the sample page
};

// Sizes the bitmap to the layout and draws the page. 0, or 22 for a layout
// without dots or resolution, or a fill over 100.
int fillPage(PageBitmap* page, const PageLayout& layout, const PageContent& content);
