#pragma once
// Test raster jobs for the filter: whole CUPS raster jobs of drawn pages
// (page_bitmap.h), written through libcups. Black, one bit per dot, chunky.
//
// Page geometry. The raster covers the whole medium. The printable area is
// the medium less fixed margins (kSideMarginPt left and right,
// kEndMarginPt top and bottom), declared in ImagingBoundingBox and
// Margins. The filter takes the printable area's width and height from the
// raster's top-left corner, so the pages lay their printable area out from
// that corner too: columns [0, printable width), lines [0, printable height).
#include <cstdint>
#include <string>

#include <cups/raster.h>

#include "page_bitmap.h"

inline constexpr float kSideMarginPt = 18.0f; // 1/4 inch
inline constexpr float kEndMarginPt = 36.0f;  // 1/2 inch

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
