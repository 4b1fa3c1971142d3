// Whole jobs through the rastertoimpact program: raster files made by the
// raster generator, the printer data decoded again, page by page and dot
// by dot, with the commands the PPD's options call for.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "impact_decode.h"
#include "raster_pages.h"
#include "rastergen_args.h"
#include "test_support.h"

namespace {

const std::string kDataDir = PREVIEW_TEST_DATA;

struct JobOutput {
    ProgramRun run;
    DecodedStream decoded;
};

// Writes the job to a raster file, runs the filter on it with the PPD and
// options, and decodes what it printed.
JobOutput printJob(const RasterJob& job, const std::string& ppd, const std::string& options, int pins)
{
    JobOutput result;
    TempDir dir;
    const std::string raster = dir.file("job.ras");
    const int fd = ::open(raster.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(writeRasterJob(fd, job), 0);
    ::close(fd);
    result.run = runProgram({IMPACT_FILTER_PATH, "1", "user", "title", "1", options, raster},
                            {"PPD=" + kDataDir + "/" + ppd});
    PrinterClass printer;
    printerClassForPins(pins, &printer);
    const auto* bytes = reinterpret_cast<const uint8_t*>(result.run.out.data());
    EXPECT_EQ(decodeStream(bytes, result.run.out.size(), printer, &result.decoded), 0)
        << describeError(result.decoded);
    return result;
}

// Every page of the job printed exactly as its printable area.
void expectPagesMatch(const RasterJob& job, const DecodedStream& d)
{
    const PageLayout layout = jobPageLayout(job);
    ASSERT_EQ(d.pages.size(), static_cast<size_t>(job.pages));
    for (int n = 1; n <= job.pages; ++n) {
        SCOPED_TRACE("page " + std::to_string(n));
        PageBitmap raster;
        ASSERT_EQ(fillPage(&raster, layout, jobPageContent(job, n)), 0);
        const PageBitmap want = clipPage(raster, layout.printWidth, layout.printHeight);
        uint64_t outside = 0;
        const Page& page = d.pages[static_cast<size_t>(n - 1)];
        const PageBitmap got = decodedBitmap(page, job.hdpi, job.vdpi, layout.printWidth, layout.printHeight, &outside);
        EXPECT_EQ(outside, 0u);
        EXPECT_EQ(firstDifference(want, got), "");
        EXPECT_EQ(pageDotCount(page), countPageDots(want));
    }
}

size_t countKind(const DecodedStream& d, CommandKind kind)
{
    size_t n = 0;
    for (const Command& c : d.commands)
        n += c.kind == kind;
    return n;
}

TEST(FilterJob, RandomLetterPagesOn24PinPrinter)
{
    RasterJob job;
    job.kind = PageKind::Random;
    job.pages = 3;
    job.fillPercent = 10;
    job.seed = 42;
    parseMedia("letter", &job);
    const JobOutput out = printJob(job, "impact24-letter.ppd", "", 24);
    EXPECT_EQ(out.run.exitStatus, 0) << out.run.err;
    EXPECT_NE(out.run.err.find("INFO: Ready to print."), std::string::npos);
    const DecodedStream& d = out.decoded;
    ASSERT_FALSE(d.commands.empty());
    EXPECT_EQ(d.commands[0].kind, CommandKind::Reset); // no packet-mode exit without the option
    EXPECT_EQ(countKind(d, CommandKind::Speed), 0u);
    EXPECT_EQ(countKind(d, CommandKind::Direction), 0u);
    EXPECT_EQ(countKind(d, CommandKind::PageFormat), 0u);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.jobEndHandling, 0);
    for (const Page& page : d.pages) {
        EXPECT_EQ(page.end, PageEnd::FormFeed);
        EXPECT_EQ(page.length, 3960u); // 11 inches
    }
    expectPagesMatch(job, d);
}

TEST(FilterJob, SampleAndTextPagesOn9PinPrinter)
{
    for (PageKind kind : {PageKind::Sample, PageKind::Text}) {
        SCOPED_TRACE(pageKindName(kind));
        RasterJob job;
        job.kind = kind;
        job.pages = 2;
        job.hdpi = 60;
        job.vdpi = 72;
        job.rowCount = 8;
        parseMedia("letter", &job);
        const JobOutput out = printJob(job, "impact9-letter.ppd", "", 9);
        EXPECT_EQ(out.run.exitStatus, 0) << out.run.err;
        const DecodedStream& d = out.decoded;
        EXPECT_TRUE(d.jobEnd);
        for (const Page& page : d.pages) {
            EXPECT_EQ(pageLengthUnits(page, d.printer), 11 * kUnitsPerInch);
            for (const BitImage& image : page.images)
                EXPECT_EQ(image.dotsPerColumn, 8u);
        }
        expectPagesMatch(job, d);
    }
}

TEST(FilterJob, RollPaperJobWithEveryOption)
{
    RasterJob job;
    job.kind = PageKind::Random;
    job.pages = 2;
    job.fillPercent = 5;
    job.seed = 9;
    const JobOutput out = printJob(job, "impact24-a4-roll.ppd",
                                   "InputSlot=RollPaper KXSvRP=On KXTearOff=On KXTopMP=Driver KXPackMode=Auto "
                                   "KXPrintDirection=UniOn KXSpeed=High",
                                   24);
    EXPECT_EQ(out.run.exitStatus, 0) << out.run.err;
    const DecodedStream& d = out.decoded;
    ASSERT_GE(d.commands.size(), 10u);
    EXPECT_EQ(d.commands[0].kind, CommandKind::PacketModeExit);
    EXPECT_EQ(d.commands[0].offset, 0u);
    EXPECT_EQ(d.commands[1].kind, CommandKind::Reset);
    ASSERT_EQ(countKind(d, CommandKind::Speed), 1u);
    ASSERT_EQ(countKind(d, CommandKind::Direction), 1u);
    for (const Command& c : d.commands) {
        if (c.kind == CommandKind::Speed || c.kind == CommandKind::Direction) {
            EXPECT_EQ(c.args[0], 1u);
        }
    }
    // Roll paper: each page ends with a short feed and a new page length.
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_EQ(d.pages[0].end, PageEnd::PageLength);
    EXPECT_EQ(d.pages[1].end, PageEnd::PageLength);
    EXPECT_EQ(d.pages[1].length, 7920u);
    // The printable area from 0.5 inch to 11.19 inches below the top edge,
    // in 1/360 inch.
    EXPECT_TRUE(d.pages[0].hasFormat);
    EXPECT_EQ(d.pages[0].top, 180u);
    EXPECT_EQ(d.pages[0].bottom, 4030u);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.jobEndHandling, 'D');
    // High speed with the printer's flag: the fast 180 dpi mode.
    for (const Page& page : d.pages)
        for (const BitImage& image : page.images)
            EXPECT_EQ(image.mode, 37);
    expectPagesMatch(job, d);
}

TEST(FilterJob, EmptyJobIsOnlyTheJobEnd)
{
    TempDir dir;
    const std::string raster = dir.file("empty.ras");
    const int fd = ::open(raster.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
    ASSERT_NE(r, nullptr);
    cupsRasterClose(r);
    ::close(fd);
    const ProgramRun run = runProgram({IMPACT_FILTER_PATH, "1", "user", "title", "1", "", raster},
                                      {"PPD=" + kDataDir + "/impact24-letter.ppd"});
    EXPECT_EQ(run.exitStatus, 0);
    PrinterClass printer;
    printerClassForPins(24, &printer);
    DecodedStream d;
    ASSERT_EQ(decodeStream(reinterpret_cast<const uint8_t*>(run.out.data()), run.out.size(), printer, &d), 0);
    EXPECT_TRUE(d.pages.empty());
    EXPECT_EQ(d.commands.size(), 2u);
    EXPECT_TRUE(d.jobEnd);
}

} // namespace
