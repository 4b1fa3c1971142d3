#include <cstdlib>

#include <gtest/gtest.h>

#include "e2e_common.h"

namespace {

class FilterJob : public testing::Test {
protected:
    std::string dir;
    std::string ppd;
    void SetUp() override
    {
        dir = testDirectory("job");
        ppd = writePpd(dir);
    }
    FilterRun run(const std::vector<RasterPage>& pages, const std::string& options = "")
    {
        std::string raster = dir + "/job.ras";
        writeRasterFile(raster, pages);
        return runFilter(jobArgs(options, raster), ppd);
    }
};

} // namespace

TEST_F(FilterJob, NoPagesSendsOnlyTheJobEnd)
{
    FilterRun r = run({});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobEnd);
    EXPECT_EQ(r.err, "WARNING: No pages found!\n");
}

TEST_F(FilterJob, BlankPageIsJobStartAndFormFeed)
{
    FilterRun r = run({page180(300)});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 0C " + kJobEnd);
    EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\n"
                     "INFO: Printing page 1, 42% complete...\nINFO: Printing page 1, 85% complete...\n"
                     "INFO: Ready to print.\n");
}

TEST_F(FilterJob, LeadingBlankLinesBecomeFeed)
{
    RasterPage page = page180(100);
    for (uint32_t y = 30; y <= 53; ++y)
        setDot(&page, 0, y);
    FilterRun r = run({page});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 4A 1E 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, BandsFollowEachOtherWithTheirHeightAsFeed)
{
    RasterPage page = page180(200);
    setDot(&page, 0, 0);   // band 1: lines 0-23
    setDot(&page, 0, 24);  // band 2 starts right below it
    setDot(&page, 1, 100); // band 3 after 52 blank lines: feed 24 + 52
    FilterRun r = run({page});
    const std::string band = "1B 24 00 00 1B 2A 27 01 00 80 00 00 0D";
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + band + " 1B 4A 18 " + band + " 1B 4A 4C " +
                                "1B 24 02 00 1B 2A 27 01 00 80 00 00 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, TrailingPartialBandPrintsAtTheBottomOfABand)
{
    // After a printed band (S = 24), 10 more lines (L = 10): feed 10.
    RasterPage page = page180(34);
    for (uint32_t y = 0; y < 24; ++y)
        setDot(&page, 0, y);
    for (uint32_t y = 24; y < 34; ++y)
        setDot(&page, 1, y);
    FilterRun r = run({page});
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D" +
                                " 1B 4A 0A 1B 24 02 00 1B 2A 27 01 00 00 03 FF 0D 0C " + kJobEnd);

    // First band of the page: 20 blank lines, then 10 data lines: feed 6.
    RasterPage first = page180(30);
    for (uint32_t y = 20; y < 30; ++y)
        setDot(&first, 0, y);
    r = run({first});
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 4A 06 1B 24 00 00 1B 2A 27 01 00 00 03 FF 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, ShortTrailingRowsNeedPaperAboveThem)
{
    RasterPage five = page180(5);
    setDot(&five, 0, 0);
    EXPECT_EQ(hexOf(run({five}).out), kJobStart + " 0C " + kJobEnd);

    // The same 5 lines and 19 more blank ones make one full band, no feed.
    RasterPage full = page180(24);
    setDot(&full, 0, 0);
    EXPECT_EQ(hexOf(run({full}).out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, LinesBelowThePrintableAreaAreDropped)
{
    // 1800 printable lines; a dot on line 1800 is below them.
    RasterPage page = page180(1900);
    setDot(&page, 5, 1800);
    EXPECT_EQ(hexOf(run({page}).out), kJobStart + " 0C " + kJobEnd);
}

TEST_F(FilterJob, LaterPagesStartWithACarriageReturn)
{
    RasterPage one = page180(24);
    setDot(&one, 0, 0);
    RasterPage two = page180(24);
    two.header.NumCopies = 3;
    setDot(&two, 0, 23);
    FilterRun r = run({one, two, page180(10)});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D 0C" +
                                " 0D 1B 24 00 00 1B 2A 27 01 00 00 00 01 0D 0C 0D 0C " + kJobEnd);
    EXPECT_NE(r.err.find("PAGE: 2 3\n"), std::string::npos);
    EXPECT_NE(r.err.find("PAGE: 3 1\n"), std::string::npos);
}

TEST_F(FilterJob, ProgressEvery128Lines)
{
    FilterRun r = run({page180(600)});
    EXPECT_EQ(r.err, "PAGE: 1 1\n"
                     "INFO: Printing page 1, 0% complete...\n"
                     "INFO: Printing page 1, 21% complete...\n"
                     "INFO: Printing page 1, 42% complete...\n"
                     "INFO: Printing page 1, 64% complete...\n"
                     "INFO: Printing page 1, 85% complete...\n"
                     "INFO: Ready to print.\n");
}

TEST_F(FilterJob, OptionsSelectTheirSequences)
{
    PpdText text;
    text.extra =
        "*OpenUI *InputSlot/Paper Source: PickOne\n*OrderDependency: 20 AnySetup *InputSlot\n"
        "*DefaultInputSlot: Tractor\n*InputSlot Tractor/Tractor: \"\"\n*InputSlot RollPaper/Roll: \"\"\n"
        "*CloseUI: *InputSlot\n"
        "*OpenUI *KXTearOff/Tear-Off: PickOne\n*OrderDependency: 20 AnySetup *KXTearOff\n"
        "*DefaultKXTearOff: Off\n*KXTearOff Off/Off: \"\"\n*KXTearOff On/On: \"\"\n*CloseUI: *KXTearOff\n"
        "*OpenUI *KXSvRP/Roll Paper Saving: PickOne\n*OrderDependency: 20 AnySetup *KXSvRP\n"
        "*DefaultKXSvRP: Off\n*KXSvRP Off/Off: \"\"\n*KXSvRP On/On: \"\"\n*CloseUI: *KXSvRP\n"
        "*OpenUI *KXPackMode/Packet Mode: PickOne\n*OrderDependency: 20 AnySetup *KXPackMode\n"
        "*DefaultKXPackMode: Off\n*KXPackMode Off/Off: \"\"\n*KXPackMode Auto/Auto: \"\"\n"
        "*CloseUI: *KXPackMode\n"
        "*OpenUI *KXSpeed/Speed: PickOne\n*OrderDependency: 20 AnySetup *KXSpeed\n"
        "*DefaultKXSpeed: Default\n*KXSpeed Default/Default: \"\"\n*KXSpeed High/High: \"\"\n"
        "*CloseUI: *KXSpeed\n"
        "*KXSpPseFsx: \"1\"\n";
    ppd = writePpd(dir, text);
    FilterRun r = run({page180(10)}, "InputSlot=RollPaper KXSvRP=On KXTearOff=On KXPackMode=Auto KXSpeed=High");
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::string packetExit = "00 00 00 1B 01 40 5A 52 50 20 31 32 38 34 2E 34 0A "
                                   "40 5A 52 50 20 20 20 20 20 0A";
    EXPECT_EQ(hexOf(r.out), packetExit + " 1B 40 0D 1B 50 1C 78 01 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F" +
                                " 1B 4A 18 1B 28 43 02 00 F0 1E 0D 1B 19 44");

    r = run({page180(10)}, "KXTearOff=On");
    EXPECT_EQ(hexOf(r.out), kJobStart + " 0C 0D 1B 19 43");
}

TEST_F(FilterJob, RasterFromStandardInputAndUncompressedStreams)
{
    RasterPage page = page180(24);
    setDot(&page, 0, 0);
    std::string raster = dir + "/stdin.ras";
    writeRasterFile(raster, {page}, false);
    FilterRun r = runFilter(jobArgs("", ""), ppd, raster);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, NineDotClassUsesItsUnits)
{
    PpdText text;
    text.modelNumber = 0;
    ppd = writePpd(dir, text);
    // 120x72, 8-row bands: printable 960 dots, 720 lines.
    RasterPage page = blankPage(1020, 792, 120, 72, 8);
    setDot(&page, 3, 10); // feed 10 lines at 72 dpi = 30/216 inch; column 3 = 1.5/60 inch
    FilterRun r = run({page});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    // 792 pt * 60 = 47520 base units = 4752 = 0x1290 at 1/432 inch.
    EXPECT_EQ(hexOf(r.out), "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 90 12"
                            " 1B 4A 1E 1B 24 02 00 1B 2A 01 01 00 80 0D 0C " +
                                kJobEnd);
}

TEST_F(FilterJob, LaterPageOfAnotherGeometryIsPrintedWithItsOwn)
{
    RasterPage one = page180(24);
    setDot(&one, 0, 0);
    // 360x360 with 48-row bands, lines wider than the first page's.
    RasterPage two = blankPage(3060, 48, 360, 360, 48);
    setDot(&two, 2879, 47); // the last printable column at 360 dpi
    setDot(&two, 2880, 0);  // beyond the printable width
    FilterRun r = run({one, two});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D 0C" +
                                " 0D 1B 24 3F 0B 1B 2A 49 01 00 00 00 00 00 00 01 0D 0C " + kJobEnd);
}

TEST_F(FilterJob, ProcessorsWithoutAvx512PrintTheSameJob)
{
    // On processors with AVX-512 the filter turns bands around and looks for
    // blank lines with it; the C library can be told to report the features
    // missing, and the filter then takes the ways every processor has. Both
    // must print the same job. (Without AVX-512 both runs take the same way.)
    struct Geometry {
        uint32_t hdpi, vdpi, rows;
    };
    std::vector<RasterPage> pages;
    uint64_t seed = 2024;
    auto next = [&seed]() {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(seed >> 33);
    };
    for (const Geometry& g : {Geometry{180, 180, 24}, Geometry{360, 360, 48}, Geometry{360, 180, 24}}) {
        // Wider than the printable area, with a width that is not a whole
        // number of bytes; stripes of dots, dense or one a line, between
        // blank gaps of every length.
        const uint32_t width = 8 * g.hdpi + 5;
        RasterPage page = blankPage(width, g.vdpi, g.hdpi, g.vdpi, g.rows);
        for (uint32_t y = next() % 30; y < g.vdpi; y += 1 + next() % 40) {
            const bool dense = next() % 2;
            for (uint32_t stripe = 1 + next() % 30; stripe > 0 && y < g.vdpi; --stripe, ++y) {
                if (!dense)
                    setDot(&page, next() % width, y);
                else
                    for (uint32_t x = next() % 9; x < width; x += 1 + next() % 9)
                        setDot(&page, x, y);
            }
        }
        pages.push_back(page);
    }
    const std::string raster = dir + "/mixed.ras";
    writeRasterFile(raster, pages);
    const FilterRun fast = runFilter(jobArgs("", raster), ppd);
    ASSERT_EQ(setenv("GLIBC_TUNABLES", "glibc.cpu.hwcaps=-AVX512F,-AVX512BW,-AVX512_VBMI,-GFNI", 1), 0);
    const FilterRun portable = runFilter(jobArgs("", raster), ppd);
    unsetenv("GLIBC_TUNABLES");
    EXPECT_EQ(fast.exitStatus, 0) << fast.err;
    EXPECT_GT(fast.out.size(), 3u * 1000);
    EXPECT_EQ(portable.exitStatus, fast.exitStatus);
    EXPECT_EQ(portable.err, fast.err);
    EXPECT_EQ(hexOf(portable.out), hexOf(fast.out));
}
