// Whole jobs through the filter program, good and hostile: exit status, status lines and printer bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "capture_stream.h"
#include "filter_process.h"

namespace {

struct Case {
    std::string name; std::vector<unsigned char> raster; JobOutcome want = {};
    JobOutcome alt = {}; // where the raster library may refuse a header before the filter sees it
    std::string ppd = "", options = "";
};

const std::string S = kJobStart, E = kJobEnd, B = kDotBand;
const std::string kReady = "INFO: Ready to print.\n", kNoPages = "WARNING: No pages found!\n",
                  kOpenError = "ERROR: CUPS Fatal Error (cupsRasterOpen).\n", kFormatError = "ERROR: CUPS data format error.\n";
const std::string kPacketExit = "00 00 00 1B 01 40 5A 52 50 20 31 32 38 34 2E 34 0A 40 5A 52 50 20 20 20 20 20 0A";

// The status lines of a page read whole: its PAGE line and its progress.
std::string pageLines(int page, uint32_t height, int copies = 1)
{
    std::string text = "PAGE: " + std::to_string(page) + " " + std::to_string(copies) + "\n";
    for (uint64_t y = 0; y < height; y += 128)
        text += "INFO: Printing page " + std::to_string(page) + ", " + std::to_string(y * 100 / height) + "% complete...\n";
    return text;
}

const JobOutcome kOneDot = {0, pageLines(1, 24) + kReady, S + " " + B + " 0C " + E};

RasterPage dotPage(uint32_t lines = 24) { return withDots(page180(lines), {{0, 0}}); }

RasterPage column(RasterPage page, uint32_t x, uint32_t y0, uint32_t y1)
{
    while (y0 < y1)
        setDot(&page, x, y0++);
    return page;
}

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, size_t size) { bytes.resize(size); return bytes; }

// A page refused as page 1 or after the one-dot page (or, by libcups, never seen).
Case refused(const std::string& name, const std::vector<unsigned char>& raster, bool second)
{
    const std::string err = second ? pageLines(1, 24) : "", out = second ? S + " " + B + " 0C " : "";
    return {name, raster, {255, err + "PAGE: " + (second ? "2" : "1") + " 1\n" + kFormatError + kReady, out + "0C " + E},
            {0, second ? err + kReady : kNoPages, out + E}};
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
    const std::string nine = writePpd(dir, {.modelNumber = 0, .extra = ""}, "nine");
    const std::string options = writePpd(dir, {.extra = paperOptions() + "*KXSpPseFsx: \"1\"\n*KXSpPseBmp: \"1\"\n"}, "options");
    RasterPage copies = withDots(page180(24), {{0, 23}});
    copies.header.NumCopies = 3;
    expectOutcomes({
        {"no pages", rawRaster({}), {0, kNoPages, E}},
        {"blank page", rasterBytes({page180(600)}), {0, pageLines(1, 600) + kReady, S + " 0C " + E}},
        {"one dot", rasterBytes({dotPage()}), kOneDot},
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
        {"later pages of other line sizes and resolutions",
         rasterBytes({withDots(blankPage(400, 24, 180, 180, 24), {{399, 0}}), withDots(page180(24), {{1439, 0}}),
                      withDots(blankPage(3060, 48, 360, 360, 48), {{2879, 47}, {2880, 0}})}),
         {0, pageLines(1, 24) + pageLines(2, 24) + pageLines(3, 48) + kReady,
          S + " 1B 24 1E 03 1B 2A 27 01 00 80 00 00 0D 0C 0D 1B 24 3E 0B 1B 2A 27 01 00 80 00 00 0D 0C 0D "
              "1B 24 3F 0B 1B 2A 49 01 00 00 00 00 00 00 01 0D 0C " + E}},
        {"9-pin units", rasterBytes({withDots(blankPage(1020, 792, 120, 72, 8), {{3, 10}})}),
         {0, pageLines(1, 792) + kReady,
          "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 90 12 1B 4A 1E 1B 24 02 00 1B 2A 01 01 00 80 0D 0C " + E}, {}, nine},
        {"roll paper, packet mode, high speed and its bit-image mode", rasterBytes({dotPage()}),
         {0, pageLines(1, 24) + kReady,
          kPacketExit + " 1B 40 0D 1B 50 1C 78 01 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F 1B 24 00 00 1B 2A 25 01 00 80 00 00 0D "
                        "1B 4A 18 1B 28 43 02 00 F0 1E 0D 1B 19 44"},
         {}, options, "InputSlot=RollPaper KXSvRP=On KXTearOff=On KXPackMode=Auto KXSpeed=High"},
        {"normal speed", rasterBytes({dotPage()}),
         {0, pageLines(1, 24) + kReady, "1B 40 0D 1B 50 1C 78 00 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F " + B + " 0C " + E}, {}, options,
         "KXSpeed=Normal"},
        {"tear-off, printer's speed", rasterBytes({page180(10)}), {0, pageLines(1, 10) + kReady, S + " 0C 0D 1B 19 43"}, {}, options,
         "KXTearOff=On KXSpeed=Default"},
    });
}

TEST_F(FilterJobs, RefusedAndBrokenInput)
{
    const std::string wide = writePpd(dir, {.pageSizes = {"Wide 3600 792 0 0 3600 792"}, .defaultPageSize = "Wide", .extra = ""}, "wide");
    std::vector<Case> cases = {
        {"empty stream", {}, {5, kOpenError, ""}},
        {"less than a sync word", cut(rawRaster({}), 3), {5, kOpenError, ""}},
        {"not a raster", std::vector<unsigned char>(4000, 'x'), {5, kOpenError, ""}},
        {"short garbage after a page", concat(rawRaster({dotPage()}), std::vector<unsigned char>(700, 0x5A)), kOneDot},
        {"second header cut", cut(rawRaster({dotPage(), dotPage()}), 4 + 2 * 1796 + 24 * 180 - 900), kOneDot},
        {"4 billion lines claimed, 30 sent", rawRaster({[] { RasterPage p = dotPage(30); p.header.cupsHeight = 0xFFFFFFFF; return p; }()}), kOneDot},
        {"no lines", rawRaster({page180(0)}), {0, "PAGE: 1 1\n" + kReady, S + " 0C " + E}, {0, kNoPages, E}},
        {"resolution without a mode", rasterBytes({blankPage(1600, 48, 200, 200, 24)}), {22, "PAGE: 1 1\n" + kReady, "0C " + E}},
        {"band height without a mode", rawRaster({[] { RasterPage p = dotPage(); p.header.cupsRowCount = 255; return p; }()}),
         {22, "PAGE: 1 1\n" + kReady, "0C " + E}},
        {"wider than the bit-image command", rasterBytes({withDots(blankPage(9000, 24, 180, 180, 24), {{0, 0}})}),
         {255, pageLines(1, 24) + kReady, S + " 0C " + E}, {}, wide},
    };
    for (size_t keep : {1, 100, 1795})
        cases.push_back({"first header cut to " + std::to_string(keep), cut(rawRaster({dotPage()}), 4 + keep), {0, kNoPages, E}});
    // Cut in line 30 of 100: the band above prints, the dot on line 40 never arrives.
    const RasterPage cutPage = withDots(column(page180(100), 0, 0, 24), {{0, 40}});
    RasterPage upTo31 = cutPage;
    upTo31.header.cupsHeight = 31;
    upTo31.bits.resize(31 * 180);
    const JobOutcome firstBand = {0, pageLines(1, 100) + kReady, S + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + E};
    cases.push_back({"cut in a line", cut(rawRaster({cutPage}), 4 + 1796 + 30 * 180 + 90), firstBand});
    cases.push_back({"cut in a compressed line", cut(rasterBytes({cutPage}), rasterBytes({upTo31}).size() - 2), firstBand});

    // Spoiled headers: refused as data as page 1 and after a good page, or
    // (noMode) with no graphics mode for a later page.
    const struct { std::string what; void (*spoil)(RasterPage*); bool noMode = false; } spoiled[] = {
        {"line over the limit", [](RasterPage* p) { p->header.cupsWidth = 0x7FFFFFF8; p->header.cupsBytesPerLine = 0x0FFFFFFF; }},
        {"width without bytes", [](RasterPage* p) { p->header.cupsBytesPerLine = 0; }},
        {"fewer bytes than the width", [](RasterPage* p) { p->header.cupsBytesPerLine = 100; }},
        {"all ones", [](RasterPage* p) { p->header.cupsWidth = p->header.cupsBytesPerLine = 0xFFFFFFFF; }},
        {"white", [](RasterPage* p) { p->header.cupsColorSpace = CUPS_CSPACE_W; }},
        {"eight bits", [](RasterPage* p) {
             p->header.cupsBitsPerColor = p->header.cupsBitsPerPixel = 8;
             p->header.cupsBytesPerLine = 1440;
             p->bits.assign(1440 * 24, 0);
         }},
        {"no band height", [](RasterPage* p) { p->header.cupsRowCount = 0; }, true},
        {"band of 2^32-1", [](RasterPage* p) { p->header.cupsRowCount = 0xFFFFFFFF; }, true},
        {"resolution 0x0", [](RasterPage* p) { p->header.HWResolution[0] = p->header.HWResolution[1] = 0; }, true},
        {"resolution 0x180", [](RasterPage* p) { p->header.HWResolution[0] = 0; }, true},
    };
    for (const auto& s : spoiled) {
        RasterPage page = dotPage();
        s.spoil(&page);
        if (!s.noMode)
            cases.push_back(refused(s.what, rawRaster({page}), false));
        cases.push_back(s.noMode ? Case{s.what + " on page 2", rawRaster({dotPage(), page}),
                                        {22, pageLines(1, 24) + "PAGE: 2 1\n" + kReady, S + " " + B + " 0C 0C " + E}}
                                 : refused(s.what + " on page 2", rawRaster({dotPage(), page}), true));
    }
    // Garbage long enough to be read as a header.
    std::vector<unsigned char> garbage;
    for (uint32_t i = 0, x = 12345; i < 5000; ++i, x = x * 1103515245u + 12345u)
        garbage.push_back(static_cast<unsigned char>(x >> 16));
    cases.push_back(refused("long garbage after a page", concat(rawRaster({dotPage()}), garbage), true));
    expectOutcomes(cases);
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
    const JobOutcome want = {native.exitStatus, native.err, hexBytes(native.out)};
    for (const ProgramRun* r : {&swapped, &piped})
        EXPECT_TRUE(sameOutcome(*r, want)) << compareOutcome(*r, want);
}

TEST_F(FilterJobs, ArgumentsAndInputFile)
{
    const std::string self = dir.file("my-filter");
    ASSERT_EQ(symlink(filterPath().c_str(), self.c_str()), 0);
    const JobOutcome usage = {1, "Usage: " + self + " job-id user title copies options [file]\n", ""};
    const struct { std::vector<std::string> argv; JobOutcome want; } cases[] = {
        {{self, "1", "user", "title", "1"}, usage},
        {{self, "1", "user", "title", "1", "", "a", "b"}, usage},
        {{self, "1", "user", "title", "1", "", dir.file("no-such.ras")},
         {1, "ERROR: Unable to open raster file - : No such file or directory\n", ""}},
        {{self, "1", "user", "title", "1", "", dir.path}, {5, kOpenError, ""}}, // a folder: reads fail
    };
    for (const auto& c : cases) {
        const ProgramRun r = runProgram(c.argv, {"PPD=" + ppd}, "", -1, 10000);
        EXPECT_TRUE(sameOutcome(r, c.want)) << compareOutcome(r, c.want);
    }
}

// SIGTERM while the filter waits for the rest of a page: what was printed, 16 NULs,
// the page end and the job end, and no final status line.
TEST_F(FilterJobs, CancelledWhileWaitingForInputInAPage)
{
    const struct { std::vector<std::pair<uint32_t, uint32_t>> dots; uint32_t linesSent; std::string printed; } cases[] = {
        {{{0, 0}, {0, 30}}, 100, S + " " + B + " 1B 4A 1E " + B}, // two bands printed
        {{{0, 500}}, 10, S},                                      // none yet
    };
    for (const auto& c : cases) {
        // Uncompressed, so that a prefix holds whole lines.
        const std::vector<unsigned char> bytes = rasterBytes({withDots(page180(1000), c.dots)}, false);
        int input[2];
        ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
        const int out = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const pid_t pid = spawnFilter("", ppd, input[0], out, err);
        for (int fd : {input[0], out, err})
            close(fd);
        EXPECT_TRUE(writeAllTo(input[1], bytes.data(), 4 + 1796 + size_t{c.linesSent} * 180));
        EXPECT_TRUE(waitForText(dir.file("err"), "INFO: Printing page 1, 0% complete...", 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, SIGTERM);
        const ProgramRun r = waitProgram(pid, 5000); // the input stays open
        close(input[1]);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(hexBytes(readFile(dir.file("out"))), c.printed + " " + hexBytes(std::vector<unsigned char>(16, 0)) + " 0C " + E);
        EXPECT_EQ(readText(dir.file("err")).find(kReady), std::string::npos);
    }
}
