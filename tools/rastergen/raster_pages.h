#pragma once
// Test raster jobs for the filter: page bitmaps of a few kinds (a test
// sheet, text-like lines, random dots, blank) and whole CUPS raster jobs
// written through libcups. Black, one bit per dot, chunky.
//
// Page geometry. The raster covers the whole medium. The printable area is
// the medium less fixed margins (kSideMarginPt left and right,
// kEndMarginPt top and bottom), declared in ImagingBoundingBox and
// Margins. The filter takes the printable area's width and height from the
// raster's top-left corner, so the pages lay their printable area out from
// that corner too: columns [0, printable width), lines [0, printable height).
#include <cstdint>
#include <string>
#include <vector>

#include <cups/raster.h>

inline constexpr float kSideMarginPt = 18.0f; // 1/4 inch
inline constexpr float kEndMarginPt = 36.0f;  // 1/2 inch

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

// A whole job.
struct RasterJob {
    PageKind kind = PageKind::Sample;
    int pages = 1;
    std::string mediaName = "A4";
    float mediaWidthPt = 595.0f;
    float mediaLengthPt = 842.0f;
    uint32_t hdpi = 180;
    uint32_t vdpi = 180;
    uint32_t rowCount = 24;
    uint32_t fillPercent = 50;
    uint64_t seed = 1;
    uint32_t copies = 1;
    bool compressed = true;
};

// 0 for a job that can be made: at least one page, non-zero resolutions,
// band height and copies, a fill up to 100, a medium larger than its
// margins and a page under a gigabyte of bits; 22 otherwise.
int checkRasterJob(const RasterJob& job);
PageLayout jobPageLayout(const RasterJob& job);
// The content of page number (1-based) of the job; page n of a seeded kind
// uses seed + n - 1.
PageContent jobPageContent(const RasterJob& job, int pageNumber);
// The raster header every page of the job carries.
void makePageHeader(const RasterJob& job, cups_page_header2_t* header);
// Writes the whole job to fd as a CUPS raster stream: 0, 22 for a job that
// makes no sense, 5 when libcups fails to open or write.
int writeRasterJob(int fd, const RasterJob& job);
