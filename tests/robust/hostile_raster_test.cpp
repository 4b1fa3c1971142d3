// Raster streams the filter must survive: cut short, empty, followed by
// garbage, with absurd or inconsistent headers, or with later pages of
// another geometry. Every one has a defined outcome: status lines, exit
// status and printer bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "robust_support.h"

namespace {

class HostileRaster : public testing::Test {
protected:
    std::string dir;
    std::string ppd;
    void SetUp() override
    {
        dir = testDirectory("hostile-raster");
        ppd = dir + "/printer.ppd";
        writeTextFile(ppd, ppdText(PpdText{}));
    }
    FilterRun run(const std::vector<unsigned char>& job) { return runJobBytes(dir, job, ppd); }
};

RasterPage dotPage(uint32_t lines)
{
    RasterPage page = page180(lines);
    setDot(&page, 0, 0);
    return page;
}

// The outcome of a page the filter refuses, or that the raster library
// refused before the filter saw it; after a first page that printed
// firstPageOut (empty: no page before).
void expectRefusedPage(const FilterRun& r, const std::string& firstPageErr, const std::string& firstPageOut)
{
    const bool sawPage = r.err.find("PAGE: " + std::string(firstPageErr.empty() ? "1" : "2")) != std::string::npos;
    if (sawPage) {
        // The filter's own check refused it.
        EXPECT_EQ(r.exitStatus, 255);
        EXPECT_EQ(r.err, firstPageErr + "PAGE: " + (firstPageErr.empty() ? "1" : "2") +
                             " 1\nERROR: CUPS data format error.\nINFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), (firstPageOut.empty() ? "" : firstPageOut + " ") + "0C " + kJobEnd);
    } else {
        // The raster library found no further page.
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, firstPageErr.empty() ? "WARNING: No pages found!\n" : firstPageErr + "INFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), firstPageOut.empty() ? kJobEnd : firstPageOut + " " + kJobEnd);
    }
}

const std::string kOnePageErr = "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\n";
const std::string kOnePageOut = kJobStart + " " + kDotBand + " 0C";

} // namespace

TEST_F(HostileRaster, EmptyAndShortStreams)
{
    // Nothing at all, or less than a sync word: the stream cannot be opened.
    for (size_t size : {0, 3}) {
        std::vector<unsigned char> job = rawRaster({});
        job.resize(size);
        FilterRun r = run(job);
        EXPECT_EQ(r.exitStatus, 5) << size;
        EXPECT_EQ(r.err, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
        EXPECT_TRUE(r.out.empty());
    }
    // A sync word and no page: the job ends at once.
    FilterRun r = run(rawRaster({}));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "WARNING: No pages found!\n");
    EXPECT_EQ(hexOf(r.out), kJobEnd);
    // Something that is not a raster stream at all.
    std::vector<unsigned char> text(4000, 'x');
    r = run(text);
    EXPECT_EQ(r.exitStatus, 5);
    EXPECT_EQ(r.err, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
    EXPECT_TRUE(r.out.empty());
}

TEST_F(HostileRaster, TruncatedInAHeader)
{
    // The first header cut short: no page.
    for (size_t keep : {1, 100, 1795}) {
        std::vector<unsigned char> job = rawRaster({dotPage(24)});
        job.resize(4 + keep);
        FilterRun r = run(job);
        EXPECT_EQ(r.exitStatus, 0) << keep;
        EXPECT_EQ(r.err, "WARNING: No pages found!\n");
        EXPECT_EQ(hexOf(r.out), kJobEnd);
    }
    // A whole page, then the second header cut short: the first page prints.
    std::vector<unsigned char> job = rawRaster({dotPage(24), dotPage(24)});
    job.resize(job.size() - 24 * 180 - 900);
    FilterRun r = run(job);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, kOnePageErr + "INFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), kOnePageOut + " " + kJobEnd);
}

TEST_F(HostileRaster, TruncatedInALine)
{
    // Lines 0-23 hold a full band, line 40 a dot that never arrives: the
    // stream stops in the middle of line 30.
    RasterPage page = page180(100);
    for (uint32_t y = 0; y < 24; ++y)
        setDot(&page, 0, y);
    setDot(&page, 0, 40);
    for (bool compressed : {false, true}) {
        std::vector<unsigned char> job = compressed ? rasterBytes({page}, true) : rawRaster({page});
        if (compressed) {
            // Cut the compressed stream inside the encoding of the blank
            // lines that follow the first band (the page cut to 31 lines
            // encodes the same bytes up to there).
            std::vector<unsigned char> upTo30 = rasterBytes({[&] {
                RasterPage p = page;
                p.header.cupsHeight = 31;
                p.bits.resize(31 * 180);
                return p;
            }()}, true);
            job.resize(upTo30.size() - 2);
        } else {
            job.resize(4 + 1796 + 30 * 180 + 90);
        }
        FilterRun r = run(job);
        EXPECT_EQ(r.exitStatus, 0) << "compressed " << compressed;
        EXPECT_EQ(r.err, kOnePageErr + "INFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + kJobEnd)
            << "compressed " << compressed;
    }
}

TEST_F(HostileRaster, GarbageAfterAValidPage)
{
    // Short garbage: not even a header's worth.
    std::vector<unsigned char> garbage;
    for (int i = 0; i < 700; ++i)
        garbage.push_back(static_cast<unsigned char>(i * 131 + 7));
    FilterRun r = run(concat(rawRaster({dotPage(24)}), garbage));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, kOnePageErr + "INFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), kOnePageOut + " " + kJobEnd);

    // Garbage long enough to be read as a header, and then some.
    garbage.clear();
    uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage.push_back(static_cast<unsigned char>(x >> 16));
    }
    r = run(concat(rawRaster({dotPage(24)}), garbage));
    expectRefusedPage(r, kOnePageErr, kOnePageOut);
}

TEST_F(HostileRaster, AbsurdLineSizesAndWidths)
{
    struct Case {
        const char* what;
        uint32_t width;
        uint32_t bytesPerLine;
    };
    for (Case c : {Case{"bytes per line over the limit", 0x7FFFFFF8u, 0x0FFFFFFFu},
                   Case{"largest width", 0xFFFFFFFFu, 0x20000000u},
                   Case{"width without bytes", 1440, 0},
                   Case{"fewer bytes than the width needs", 1440, 100},
                   Case{"more bytes than the width needs", 8, 180},
                   Case{"zero width", 0, 180},
                   Case{"all ones", 0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        RasterPage page = dotPage(24);
        page.header.cupsWidth = c.width;
        page.header.cupsBytesPerLine = c.bytesPerLine;
        SCOPED_TRACE(c.what);
        expectRefusedPage(run(rawRaster({page})), "", "");
        // The same header on a second page.
        expectRefusedPage(run(rawRaster({dotPage(24), page})), kOnePageErr, kOnePageOut);
    }
}

TEST_F(HostileRaster, AbsurdHeights)
{
    // A page that claims 4 billion lines and brings 30: the page ends where
    // the data does.
    RasterPage page = dotPage(30);
    page.header.cupsHeight = 0xFFFFFFFFu;
    FilterRun r = run(rawRaster({page}));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, kOnePageErr + "INFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), kOnePageOut + " " + kJobEnd);

    // No lines at all: the page is set up and ended, or the raster library
    // refuses it.
    RasterPage empty = page180(0);
    r = run(rawRaster({empty}));
    if (r.err.find("PAGE: 1 1") != std::string::npos) {
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), kJobStart + " 0C " + kJobEnd);
    } else {
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "WARNING: No pages found!\n");
        EXPECT_EQ(hexOf(r.out), kJobEnd);
    }
}

TEST_F(HostileRaster, BandHeightsWithoutAGraphicsModeOnALaterPage)
{
    // The first page prints; the second is refused before any of it is
    // sent, and the job ends with the status of a resolution the printer
    // has no mode for.
    for (uint32_t rows : {0u, 1u, 23u, 255u, 0xFFFFFFFFu}) {
        RasterPage second = dotPage(24);
        second.header.cupsRowCount = rows;
        FilterRun r = run(rawRaster({dotPage(24), second}));
        EXPECT_EQ(r.exitStatus, 22) << rows << " rows";
        EXPECT_EQ(r.err, kOnePageErr + "PAGE: 2 1\nINFO: Ready to print.\n") << rows << " rows";
        EXPECT_EQ(hexOf(r.out), kOnePageOut + " 0C " + kJobEnd) << rows << " rows";
    }
    // The same on the first page: nothing but the page end and the job end.
    RasterPage first = dotPage(24);
    first.header.cupsRowCount = 255;
    FilterRun r = run(rawRaster({first}));
    EXPECT_EQ(r.exitStatus, 22);
    EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), "0C " + kJobEnd);
}

TEST_F(HostileRaster, ResolutionZero)
{
    for (auto res : {std::pair<uint32_t, uint32_t>{0, 0}, {180, 0}, {0, 180}}) {
        RasterPage page = dotPage(24);
        page.header.HWResolution[0] = res.first;
        page.header.HWResolution[1] = res.second;
        SCOPED_TRACE(std::to_string(res.first) + "x" + std::to_string(res.second));
        FilterRun r = run(rawRaster({page}));
        EXPECT_EQ(r.exitStatus, 22);
        EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), "0C " + kJobEnd);
        // On a later page.
        r = run(rawRaster({dotPage(24), page}));
        EXPECT_EQ(r.exitStatus, 22);
        EXPECT_EQ(r.err, kOnePageErr + "PAGE: 2 1\nINFO: Ready to print.\n");
        EXPECT_EQ(hexOf(r.out), kOnePageOut + " 0C " + kJobEnd);
    }
}

TEST_F(HostileRaster, WrongColourSpaceOrBitsPerPixel)
{
    struct Case {
        const char* what;
        uint32_t colorSpace;
        uint32_t bitsPerColor;
        uint32_t bitsPerPixel;
        uint32_t bytesPerLine;
    };
    for (Case c : {Case{"white", CUPS_CSPACE_W, 1, 1, 180}, Case{"RGB", CUPS_CSPACE_RGB, 8, 24, 4320},
                   Case{"unknown colour space", 28239, 1, 1, 180}, Case{"two bits", CUPS_CSPACE_K, 2, 2, 360},
                   Case{"eight bits", CUPS_CSPACE_K, 8, 8, 1440}, Case{"no bits", CUPS_CSPACE_K, 0, 0, 180}}) {
        SCOPED_TRACE(c.what);
        RasterPage page = dotPage(24);
        std::memcpy(&page.header.cupsColorSpace, &c.colorSpace, sizeof c.colorSpace);
        page.header.cupsBitsPerColor = c.bitsPerColor;
        page.header.cupsBitsPerPixel = c.bitsPerPixel;
        page.header.cupsBytesPerLine = c.bytesPerLine;
        page.bits.assign(static_cast<size_t>(c.bytesPerLine) * 24, 0);
        // As the first page and as a later one.
        expectRefusedPage(run(rawRaster({page})), "", "");
        expectRefusedPage(run(rawRaster({dotPage(24), page})), kOnePageErr, kOnePageOut);
    }
}

TEST_F(HostileRaster, LaterPagesOfAnotherGeometry)
{
    // Each page of another geometry prints as it would alone: its own
    // printable width, band height and resolution, nothing left over from
    // the page before.
    RasterPage dense = page180(48);
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 1440; x += 3)
            setDot(&dense, x, y);
    RasterPage narrow = blankPage(400, 30, 180, 180, 24); // fewer bytes per line
    setDot(&narrow, 399, 0);
    RasterPage nine = blankPage(1000, 20, 120, 72, 8); // other resolution and band height
    setDot(&nine, 5, 3);
    RasterPage wide = blankPage(2880, 60, 360, 360, 48); // more bytes per line, taller bands
    setDot(&wide, 2000, 50);

    auto alone = [&](const RasterPage& page) {
        FilterRun r = run(rawRaster({page}));
        EXPECT_EQ(r.exitStatus, 0);
        return r.out;
    };
    const std::vector<unsigned char> jobStart = alone(page180(24)); // job start, page end, job end
    const size_t startSize = jobStart.size() - 4;                   // without 0C 1B 40 0D
    auto pageBytes = [&](const RasterPage& page) {
        std::vector<unsigned char> out = alone(page);
        // Without the job start and the job end.
        return std::vector<unsigned char>(out.begin() + static_cast<long>(startSize), out.end() - 3);
    };

    std::vector<RasterPage> pages = {dense, narrow, nine, wide, dense};
    std::vector<unsigned char> expected(jobStart.begin(), jobStart.begin() + static_cast<long>(startSize));
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            expected.push_back(0x0D); // each later page starts with a carriage return
        expected = concat(expected, pageBytes(pages[i]));
    }
    expected = concat(expected, {0x1B, 0x40, 0x0D});
    FilterRun r = run(rawRaster(pages));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), hexOf(expected));
    EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
}

TEST_F(HostileRaster, StreamOfTheOtherByteOrder)
{
    // Written by a machine of the other byte order: the same job.
    RasterPage page = page180(60);
    setDot(&page, 7, 3);
    setDot(&page, 1000, 40);
    FilterRun native = run(rawRaster({page, page}));
    FilterRun swapped = run(rawRaster({page, page}, true));
    EXPECT_EQ(native.exitStatus, 0);
    EXPECT_EQ(swapped.exitStatus, 0);
    EXPECT_EQ(swapped.err, native.err);
    EXPECT_EQ(hexOf(swapped.out), hexOf(native.out));
    EXPECT_GT(native.out.size(), 60u);
}

TEST_F(HostileRaster, SameOutcomeThroughTheRasterLibrary)
{
    // The hostile pages that the raster library's own writer still writes
    // (compressed): the filter must end each job exactly as it ends the
    // same job written byte by byte.
    struct Case {
        const char* what;
        void (*spoil)(RasterPage*);
    };
    const Case cases[] = {
        {"white colour space", [](RasterPage* p) { p->header.cupsColorSpace = CUPS_CSPACE_W; }},
        {"no band height", [](RasterPage* p) { p->header.cupsRowCount = 0; }},
        {"band height 255", [](RasterPage* p) { p->header.cupsRowCount = 255; }},
        {"resolution 0", [](RasterPage* p) { p->header.HWResolution[0] = p->header.HWResolution[1] = 0; }},
        {"more bytes than the width needs", [](RasterPage* p) { p->header.cupsWidth = 8; }},
        {"other geometry", [](RasterPage* p) { *p = blankPage(1000, 24, 120, 72, 8); setDot(p, 999, 23); }},
    };
    int written = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RasterPage spoiled = dotPage(24);
        c.spoil(&spoiled);
        const std::vector<RasterPage> pages = {dotPage(24), spoiled};
        const std::vector<unsigned char> viaLibrary = rasterBytes(pages, true);
        if (viaLibrary.size() < 4 + 2 * 1796)
            continue; // the writer refused the second header
        ++written;
        FilterRun raw = run(rawRaster(pages));
        FilterRun lib = run(viaLibrary);
        EXPECT_EQ(lib.exitStatus, raw.exitStatus);
        EXPECT_EQ(lib.err, raw.err);
        EXPECT_EQ(hexOf(lib.out), hexOf(raw.out));
        EXPECT_NE(raw.err.find("PAGE: 2 1\n"), std::string::npos) << raw.err;
    }
    EXPECT_GE(written, 4) << "the raster library wrote too few of the hostile headers to compare";
}
