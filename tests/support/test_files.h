#pragma once
// Temporary files, small PPDs and raster jobs for tests.
#include <cstdint>
#include <string>
#include <vector>

#include <cups/raster.h>

// A fresh directory under the system's temporary folder, removed by the
// next call with the same tag in a later run.
std::string testDirectory(const std::string& tag);
void writeTextFile(const std::string& path, const std::string& text);
std::vector<unsigned char> readBinaryFile(const std::string& path);

struct PpdText {
    int modelNumber = 1;
    // PageSize entries as "Name width length left bottom right top" in points.
    std::vector<std::string> pageSizes = {"Letter 612 792 18 36 594 756"};
    std::string defaultPageSize = "Letter";
    std::string extra; // more PPD lines (options, attributes, constraints)
};

// The text of a PPD file the filter can read.
std::string ppdText(const PpdText& ppd);

// One page of a 1-bit black raster: the header and rows of bytesPerLine.
struct RasterPage {
    cups_page_header2_t header;
    std::vector<unsigned char> bits; // cupsHeight rows of cupsBytesPerLine bytes
};

// A black 1-bit page of widthDots x heightLines at the given resolution and
// band height; the page size is taken from the dots.
RasterPage blankPage(uint32_t widthDots, uint32_t heightLines, uint32_t hdpi, uint32_t vdpi, uint32_t rows);
void setDot(RasterPage* page, uint32_t x, uint32_t y);

// Writes the pages as a raster stream (libcups, write mode) to path.
void writeRasterFile(const std::string& path, const std::vector<RasterPage>& pages, bool compressed = true);
std::vector<unsigned char> rasterBytes(const std::vector<RasterPage>& pages, bool compressed = true);
