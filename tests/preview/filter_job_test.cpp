// Whole jobs through the filter program: raster files made by the raster
// generator, the printer data decoded again, page by page and dot by dot,
// with the commands the PPD's options call for.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "decoded.h"
#include "filter_process.h"
#include "rastergen_args.h"

namespace {

// Runs the filter on the generated job with the PPD and options; decodes
// what it printed and checks every page dot for dot against its raster.
DecodedStream printJob(const RasterJob& job, const std::string& ppd, const std::string& options, int pins)
{
    TempDir dir;
    const int fd = ::open(dir.file("job.ras").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_EQ(writeRasterJob(fd, job), 0);
    ::close(fd);
    const ProgramRun run = runFilter(filterArgs(options, dir.file("job.ras")), std::string(PREVIEW_TEST_DATA) + "/" + ppd);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("INFO: Ready to print."), std::string::npos);
    const DecodedStream d = decodeBytes(run.out, pins);
    EXPECT_FALSE(d.failed) << describeError(d);
    EXPECT_TRUE(d.jobEnd);
    const PageLayout layout = jobPageLayout(job);
    EXPECT_EQ(d.pages.size(), static_cast<size_t>(job.pages));
    for (int n = 1; n <= job.pages && n <= static_cast<int>(d.pages.size()); ++n) {
        PageBitmap raster;
        EXPECT_EQ(fillPage(&raster, layout, jobPageContent(job, n)), 0);
        const PageBitmap want = clipPage(raster, layout.printWidth, layout.printHeight);
        uint64_t outside = 0;
        const Page& page = d.pages[static_cast<size_t>(n - 1)];
        const PageBitmap got = decodedBitmap(page, job.hdpi, job.vdpi, layout.printWidth, layout.printHeight, &outside);
        EXPECT_EQ(outside, 0u) << "page " << n;
        EXPECT_EQ(firstDifference(want, got), "") << "page " << n;
        EXPECT_EQ(pageDotCount(page), countPageDots(want)) << "page " << n;
    }
    return d;
}

size_t countKind(const DecodedStream& d, CommandKind kind)
{
    return static_cast<size_t>(std::count_if(d.commands.begin(), d.commands.end(), [kind](const Command& c) { return c.kind == kind; }));
}

} // namespace

TEST(FilterJob, RandomLetterPagesOn24PinPrinter)
{
    RasterJob job;
    job.kind = PageKind::Random;
    job.pages = 3;
    job.fillPercent = 10;
    job.seed = 42;
    parseMedia("letter", &job);
    const DecodedStream d = printJob(job, "impact24-letter.ppd", "", 24);
    ASSERT_FALSE(d.commands.empty());
    EXPECT_EQ(d.commands[0].kind, CommandKind::Reset); // no packet-mode exit without the option
    EXPECT_EQ(countKind(d, CommandKind::Speed) + countKind(d, CommandKind::Direction) + countKind(d, CommandKind::PageFormat), 0u);
    EXPECT_EQ(d.jobEndHandling, 0);
    for (const Page& page : d.pages) {
        EXPECT_EQ(page.end, PageEnd::FormFeed);
        EXPECT_EQ(page.length, 3960u); // 11 inches
    }
}

TEST(FilterJob, SampleAndTextPagesOn9PinPrinter)
{
    for (PageKind kind : {PageKind::Sample, PageKind::Text}) {
        RasterJob job;
        job.kind = kind;
        job.pages = 2;
        job.hdpi = 60;
        job.vdpi = 72;
        job.rowCount = 8;
        parseMedia("letter", &job);
        const DecodedStream d = printJob(job, "impact9-letter.ppd", "", 9);
        for (const Page& page : d.pages) {
            EXPECT_EQ(pageLengthUnits(page, d.printer), 11 * kUnitsPerInch);
            for (const BitImage& image : page.images)
                EXPECT_EQ(image.dotsPerColumn, 8u);
        }
    }
}
