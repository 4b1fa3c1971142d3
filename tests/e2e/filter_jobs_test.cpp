// Whole jobs through the filter program, good and hostile: each has one
// outcome, its exit status, status lines and printer bytes exactly.
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include "capture_stream.h"
#include "filter_process.h"

namespace {

using Outcome = JobOutcome;

struct Case {
    std::string name;
    std::vector<unsigned char> raster;
    Outcome want = {};
    Outcome alt = {}; // where the raster library may refuse a header before the filter sees it
    std::string ppd = "";
    std::string options = "";
};

const std::string S = kJobStart, E = kJobEnd, B = kDotBand;
const std::string kReady = "INFO: Ready to print.\n";
const std::string kNoPages = "WARNING: No pages found!\n";
const std::string kOpenError = "ERROR: CUPS Fatal Error (cupsRasterOpen).\n";
const std::string kFormatError = "ERROR: CUPS data format error.\n";
const std::string kPacketExit = "00 00 00 1B 01 40 5A 52 50 20 31 32 38 34 2E 34 0A 40 5A 52 50 20 20 20 20 20 0A";

// The status lines of a page read whole: its PAGE line and its progress.
std::string pageLines(int page, uint32_t height, int copies = 1)
{
    std::string text = "PAGE: " + std::to_string(page) + " " + std::to_string(copies) + "\n";
    for (uint64_t y = 0; y < height; y += 128)
        text += "INFO: Printing page " + std::to_string(page) + ", " + std::to_string(y * 100 / height) + "% complete...\n";
    return text;
}

RasterPage dotPage(uint32_t lines = 24)
{
    return withDots(page180(lines), {{0, 0}});
}

RasterPage column(RasterPage page, uint32_t x, uint32_t y0, uint32_t y1)
{
    for (uint32_t y = y0; y < y1; ++y)
        setDot(&page, x, y);
    return page;
}

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

// A page the filter refuses, as page 1 or after the one-dot page; or, as
// the raster library may do, no such page at all.
void refused(Case* c, bool second)
{
    const std::string err = second ? pageLines(1, 24) : "";
    const std::string out = second ? S + " " + B + " 0C " : "";
    c->want = {255, err + "PAGE: " + (second ? "2" : "1") + " 1\n" + kFormatError + kReady, out + "0C " + E};
    c->alt = {0, second ? err + kReady : kNoPages, out + E};
}

// More bits per dot, with the lines that go with them.
void deepen(RasterPage* page, uint32_t bitsPerColor, uint32_t bitsPerPixel)
{
    page->header.cupsBitsPerColor = bitsPerColor;
    page->header.cupsBitsPerPixel = bitsPerPixel;
    page->header.cupsBytesPerLine = 180 * bitsPerPixel;
    page->bits.assign(page->header.cupsBytesPerLine * 24, 0);
}

class FilterJobs : public testing::Test {
protected:
    TempDir dir;
    std::string ppd = writePpd(dir);
    void expectOutcomes(const std::vector<Case>& cases)
    {
        for (const Case& c : cases) {
            const ProgramRun r = runFilterOn(dir, c.raster, c.ppd.empty() ? ppd : c.ppd, c.options);
            EXPECT_TRUE(sameOutcome(r, c.want) || sameOutcome(r, c.alt)) << c.name << ": " << compareOutcome(r, c.want);
        }
    }
};

} // namespace

TEST_F(FilterJobs, PagesBandsAndFeeds)
{
    PpdText nineText;
    nineText.modelNumber = 0;
    const std::string nine = writePpd(dir, nineText, "nine");
    PpdText optionsText;
    optionsText.extra = paperOptions() + "*KXSpPseFsx: \"1\"\n";
    const std::string options = writePpd(dir, optionsText, "options");
    RasterPage copies = withDots(page180(24), {{0, 23}});
    copies.header.NumCopies = 3;
    const std::string oneDot = S + " " + B + " 0C " + E;
    expectOutcomes({
        {"no pages", rawRaster({}), {0, kNoPages, E}},
        {"blank page", rasterBytes({page180(600)}), {0, pageLines(1, 600) + kReady, S + " 0C " + E}},
        {"one dot", rasterBytes({dotPage()}), {0, pageLines(1, 24) + kReady, oneDot}},
        {"uncompressed", rasterBytes({dotPage()}, false), {0, pageLines(1, 24) + kReady, oneDot}},
        {"leading blank lines are feed", rasterBytes({column(page180(100), 0, 30, 54)}),
         {0, pageLines(1, 100) + kReady, S + " 1B 4A 1E 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + E}},
        {"bands one after another", rasterBytes({withDots(page180(200), {{0, 0}, {0, 24}, {1, 100}})}),
         {0, pageLines(1, 200) + kReady, S + " " + B + " 1B 4A 18 " + B + " 1B 4A 4C 1B 24 02 00 1B 2A 27 01 00 80 00 00 0D 0C " + E}},
        {"trailing partial band after a band", rasterBytes({column(column(page180(34), 0, 0, 24), 1, 24, 34)}),
         {0, pageLines(1, 34) + kReady,
          S + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 1B 4A 0A 1B 24 02 00 1B 2A 27 01 00 00 03 FF 0D 0C " + E}},
        {"partial first band", rasterBytes({column(page180(30), 0, 20, 30)}),
         {0, pageLines(1, 30) + kReady, S + " 1B 4A 06 1B 24 00 00 1B 2A 27 01 00 00 03 FF 0D 0C " + E}},
        {"short page: no paper above its rows", rasterBytes({dotPage(5)}), {0, pageLines(1, 5) + kReady, S + " 0C " + E}},
        {"below the printable area", rasterBytes({withDots(page180(1900), {{5, 1800}})}),
         {0, pageLines(1, 1900) + kReady, S + " 0C " + E}},
        {"later pages", rasterBytes({dotPage(), copies, page180(10)}),
         {0, pageLines(1, 24) + pageLines(2, 24, 3) + pageLines(3, 10) + kReady,
          S + " " + B + " 0C 0D 1B 24 00 00 1B 2A 27 01 00 00 00 01 0D 0C 0D 0C " + E}},
        {"later page of another geometry", rasterBytes({dotPage(), withDots(blankPage(3060, 48, 360, 360, 48), {{2879, 47}, {2880, 0}})}),
         {0, pageLines(1, 24) + pageLines(2, 48) + kReady,
          S + " " + B + " 0C 0D 1B 24 3F 0B 1B 2A 49 01 00 00 00 00 00 00 01 0D 0C " + E}},
        {"9-pin units", rasterBytes({withDots(blankPage(1020, 792, 120, 72, 8), {{3, 10}})}),
         {0, pageLines(1, 792) + kReady,
          "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 90 12 1B 4A 1E 1B 24 02 00 1B 2A 01 01 00 80 0D 0C " + E}, {}, nine},
        {"roll paper, packet mode and speed", rasterBytes({page180(10)}),
         {0, pageLines(1, 10) + kReady,
          kPacketExit + " 1B 40 0D 1B 50 1C 78 01 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F 1B 4A 18 1B 28 43 02 00 F0 1E 0D 1B 19 44"},
         {}, options, "InputSlot=RollPaper KXSvRP=On KXTearOff=On KXPackMode=Auto KXSpeed=High"},
        {"tear-off", rasterBytes({page180(10)}), {0, pageLines(1, 10) + kReady, S + " 0C 0D 1B 19 43"}, {}, options, "KXTearOff=On"},
    });
}

TEST_F(FilterJobs, RefusedAndBrokenInput)
{
    RasterPage huge = dotPage(30);
    huge.header.cupsHeight = 0xFFFFFFFF;
    std::vector<Case> cases = {
        {"empty stream", {}, {5, kOpenError, ""}},
        {"less than a sync word", cut(rawRaster({}), 3), {5, kOpenError, ""}},
        {"not a raster", std::vector<unsigned char>(4000, 'x'), {5, kOpenError, ""}},
        {"short garbage after a page", concat(rawRaster({dotPage()}), std::vector<unsigned char>(700, 0x5A)),
         {0, pageLines(1, 24) + kReady, S + " " + B + " 0C " + E}},
        {"second header cut", cut(rawRaster({dotPage(), dotPage()}), 4 + 2 * 1796 + 24 * 180 - 900),
         {0, pageLines(1, 24) + kReady, S + " " + B + " 0C " + E}},
        {"4 billion lines claimed, 30 sent", rawRaster({huge}), {0, pageLines(1, 24) + kReady, S + " " + B + " 0C " + E}},
        {"no lines", rawRaster({page180(0)}), {0, "PAGE: 1 1\n" + kReady, S + " 0C " + E}, {0, kNoPages, E}},
        {"resolution without a mode", rasterBytes({blankPage(1600, 48, 200, 200, 24)}), {22, "PAGE: 1 1\n" + kReady, "0C " + E}},
        {"band height without a mode", rawRaster({[] { RasterPage p = dotPage(); p.header.cupsRowCount = 255; return p; }()}),
         {22, "PAGE: 1 1\n" + kReady, "0C " + E}},
        {"wider than the bit-image command", rasterBytes({withDots(blankPage(9000, 24, 180, 180, 24), {{0, 0}})}),
         {255, pageLines(1, 24) + kReady, S + " 0C " + E}, {}, [&] {
             PpdText wide;
             wide.pageSizes = {"Wide 3600 792 0 0 3600 792"};
             wide.defaultPageSize = "Wide";
             return writePpd(dir, wide, "wide");
         }()},
    };
    for (size_t keep : {1, 100, 1795})
        cases.push_back({"first header cut to " + std::to_string(keep), cut(rawRaster({dotPage()}), 4 + keep), {0, kNoPages, E}});
    // Cut in line 30 of 100: the band above prints, the dot on line 40 never arrives.
    const RasterPage cutPage = withDots(column(page180(100), 0, 0, 24), {{0, 40}});
    RasterPage upTo31 = cutPage;
    upTo31.header.cupsHeight = 31;
    upTo31.bits.resize(31 * 180);
    const Outcome firstBand = {0, pageLines(1, 100) + kReady, S + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + E};
    cases.push_back({"cut in a line", cut(rawRaster({cutPage}), 4 + 1796 + 30 * 180 + 90), firstBand});
    cases.push_back({"cut in a compressed line", cut(rasterBytes({cutPage}), rasterBytes({upTo31}).size() - 2), firstBand});

    // The same spoiled header as the first page and after a good one.
    const std::vector<std::pair<std::string, void (*)(RasterPage*)>> spoiled = {
        {"line over the limit", [](RasterPage* p) { p->header.cupsWidth = 0x7FFFFFF8; p->header.cupsBytesPerLine = 0x0FFFFFFF; }},
        {"width without bytes", [](RasterPage* p) { p->header.cupsBytesPerLine = 0; }},
        {"fewer bytes than the width", [](RasterPage* p) { p->header.cupsBytesPerLine = 100; }},
        {"all ones", [](RasterPage* p) { p->header.cupsWidth = p->header.cupsBytesPerLine = 0xFFFFFFFF; }},
        {"white", [](RasterPage* p) { p->header.cupsColorSpace = CUPS_CSPACE_W; }},
        {"eight bits", [](RasterPage* p) { deepen(p, 8, 8); }},
    };
    for (const auto& [what, spoil] : spoiled) {
        RasterPage page = dotPage();
        spoil(&page);
        for (bool second : {false, true}) {
            Case c{what + (second ? " on page 2" : ""), second ? rawRaster({dotPage(), page}) : rawRaster({page})};
            refused(&c, second);
            cases.push_back(c);
        }
    }
    using Spoiler = std::pair<std::string, void (*)(RasterPage*)>;
    const std::vector<Spoiler> spoilers = {
        {"no band height", [](RasterPage* p) { p->header.cupsRowCount = 0; }},
        {"band of 2^32-1", [](RasterPage* p) { p->header.cupsRowCount = 0xFFFFFFFF; }},
        {"resolution 0x0", [](RasterPage* p) { p->header.HWResolution[0] = p->header.HWResolution[1] = 0; }},
        {"resolution 0x180", [](RasterPage* p) { p->header.HWResolution[0] = 0; }}};
    for (const auto& [what, spoil] : spoilers) {
        RasterPage page = dotPage();
        spoil(&page);
        cases.push_back({what + " on page 2", rawRaster({dotPage(), page}),
                         {22, pageLines(1, 24) + "PAGE: 2 1\n" + kReady, S + " " + B + " 0C 0C " + E}});
    }
    // Garbage long enough to be read as a header.
    std::vector<unsigned char> garbage;
    for (uint32_t i = 0, x = 12345; i < 5000; ++i, x = x * 1103515245u + 12345u)
        garbage.push_back(static_cast<unsigned char>(x >> 16));
    Case noise{"long garbage after a page", concat(rawRaster({dotPage()}), garbage)};
    refused(&noise, true);
    cases.push_back(noise);
    expectOutcomes(cases);
}

TEST_F(FilterJobs, LaterPagesOfAnotherGeometryPrintAsTheyWouldAlone)
{
    const RasterPage dense = [] {
        RasterPage p = page180(48);
        for (uint32_t y = 0; y < 48; ++y)
            for (uint32_t x = 0; x < 1440; x += 3)
                setDot(&p, x, y);
        return p;
    }();
    const std::vector<RasterPage> pages = {dense, withDots(blankPage(400, 30, 180, 180, 24), {{399, 0}}),
                                           withDots(blankPage(1000, 20, 120, 72, 8), {{5, 3}}),
                                           withDots(blankPage(2880, 60, 360, 360, 48), {{2000, 50}}), dense};
    const size_t start = runFilterOn(dir, rawRaster({page180(24)}), ppd).out.size() - 4; // less 0C 1B 40 0D
    std::vector<unsigned char> expected;
    for (const RasterPage& page : pages) {
        const std::vector<unsigned char> alone = runFilterOn(dir, rawRaster({page}), ppd).out;
        if (expected.empty())
            expected.assign(alone.begin(), alone.begin() + static_cast<long>(start));
        else
            expected.push_back(0x0D); // a later page starts with a carriage return
        expected.insert(expected.end(), alone.begin() + static_cast<long>(start), alone.end() - 3);
    }
    expected = concat(expected, bytesOf({0x1B, 0x40, 0x0D}));
    const ProgramRun r = runFilterOn(dir, rawRaster(pages), ppd);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexBytes(r.out), hexBytes(expected));
    EXPECT_EQ(r.err.find("ERROR"), std::string::npos) << r.err;
}

TEST_F(FilterJobs, SameJobWhateverWritesOrCarriesTheRaster)
{
    // A stream of the other byte order, and one from standard input.
    const RasterPage page = withDots(page180(60), {{7, 3}, {1000, 40}});
    const ProgramRun native = runFilterOn(dir, rawRaster({page, page}), ppd);
    const ProgramRun swapped = runFilterOn(dir, rawRaster({page, page}, true), ppd);
    writeFile(dir.file("stdin.ras"), rasterBytes({page, page}, false));
    const ProgramRun piped = runFilter(filterArgs(""), ppd, dir.file("stdin.ras"));
    EXPECT_GT(native.out.size(), 60u);
    for (const ProgramRun* r : {&swapped, &piped}) {
        EXPECT_EQ(r->exitStatus, native.exitStatus);
        EXPECT_EQ(r->err, native.err);
        EXPECT_EQ(hexBytes(r->out), hexBytes(native.out));
    }
}

TEST_F(FilterJobs, ArgumentsAndInputFile)
{
    ASSERT_EQ(symlink(filterPath().c_str(), dir.file("my-filter").c_str()), 0);
    for (const auto& args : {std::vector<std::string>{"1", "user", "title", "1"}, {"1", "user", "title", "1", "", "a", "b"}}) {
        std::vector<std::string> argv = {dir.file("my-filter")};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProgramRun r = runProgram(argv, {"PPD=" + ppd});
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.err, "Usage: " + dir.file("my-filter") + " job-id user title copies options [file]\n");
        EXPECT_TRUE(r.out.empty());
    }
    const ProgramRun missing = runFilter(filterArgs("", dir.file("no-such.ras")), ppd);
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.err, "ERROR: Unable to open raster file - : No such file or directory\n");
    EXPECT_TRUE(missing.out.empty());
    const ProgramRun unreadable = runFilter(filterArgs("", dir.path), ppd, "", -1, 10000); // a folder: reads fail
    EXPECT_EQ(unreadable.exitStatus, 5);
    EXPECT_EQ(unreadable.err, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
}
