#pragma once
// Scratch folders, files, printer descriptions and raster jobs for tests.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <cups/raster.h>

// A fresh scratch folder, removed with everything in it.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

void writeFile(const std::string& path, const std::string& bytes);
void writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readFile(const std::string& path);
std::string readText(const std::string& path);

struct PpdText {
    int modelNumber = 1;
    // PageSize entries as "Name width length left bottom right top" in points.
    std::vector<std::string> pageSizes = {"Letter 612 792 18 36 594 756"};
    std::string defaultPageSize = "Letter";
    std::string extra; // more PPD lines (options, attributes, constraints)
};

// The PPD lines of a PickOne option: its default and its choices.
std::string ppdOption(const std::string& keyword, const std::string& defaultChoice,
                      const std::vector<std::string>& choices);
// InputSlot and the KX options as the printers' descriptions offer them.
std::string paperOptions();
// Writes the PPD into dir as <name>.ppd and returns its path.
std::string writePpd(const TempDir& dir, const PpdText& text = PpdText{}, const std::string& name = "printer");

// One page of a 1-bit black raster: the header and rows of bytesPerLine.
struct RasterPage {
    cups_page_header2_t header;
    std::vector<unsigned char> bits; // cupsHeight rows of cupsBytesPerLine bytes
};

// A blank 1-bit page of widthDots x heightLines, sized from the dots.
RasterPage blankPage(uint32_t widthDots, uint32_t heightLines, uint32_t hdpi, uint32_t vdpi, uint32_t rows);
// 180 dpi, 24-row bands, as wide as the default PPD's printable area (1440 dots).
RasterPage page180(uint32_t lines);
void setDot(RasterPage* page, uint32_t x, uint32_t y);
// The page with dots at the given places.
RasterPage withDots(RasterPage page, const std::vector<std::pair<uint32_t, uint32_t>>& dots);

// The pages as a raster stream written by libcups.
std::vector<unsigned char> rasterBytes(const std::vector<RasterPage>& pages, bool compressed = true);
// The headers as they lie in memory and the bits as given (headers libcups would refuse
// still reach the reader), optionally in the other byte order.
std::vector<unsigned char> rawRaster(const std::vector<RasterPage>& pages, bool otherByteOrder = false);
std::vector<unsigned char> concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b);

// The default PPD's job start and end, and a band whose only dot is at 0,0.
inline const std::string kJobStart = "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F";
inline const std::string kJobEnd = "1B 40 0D";
inline const std::string kDotBand = "1B 24 00 00 1B 2A 27 01 00 80 00 00 0D";
