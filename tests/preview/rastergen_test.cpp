// The raster generator: pages read back through libcups with the header
// and bitmap they were written with; what each page kind draws; the
// command line.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "raster_pages.h"
#include "rastergen_args.h"
#include "test_support.h"

namespace {

RasterJob smallJob(PageKind kind)
{
    RasterJob job;
    job.kind = kind;
    job.pages = 2;
    job.mediaName = "TEST";
    job.mediaWidthPt = 216.0f;  // 3 inches
    job.mediaLengthPt = 288.0f; // 4 inches
    job.hdpi = 120;
    job.vdpi = 180;
    job.rowCount = 24;
    job.copies = 3;
    job.seed = 5;
    return job;
}

TEST(Rastergen, PagesReadBackThroughLibcups)
{
    for (bool compressed : {true, false}) {
        for (PageKind kind : {PageKind::Sample, PageKind::Text, PageKind::Random, PageKind::Blank}) {
            SCOPED_TRACE(std::string(pageKindName(kind)) + (compressed ? " compressed" : " uncompressed"));
            RasterJob job = smallJob(kind);
            job.compressed = compressed;
            TempDir dir;
            const std::string path = dir.file("job.ras");
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ASSERT_EQ(writeRasterJob(fd, job), 0);
            ::close(fd);

            fd = ::open(path.c_str(), O_RDONLY);
            cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
            ASSERT_NE(raster, nullptr);
            cups_page_header2_t header;
            int pages = 0;
            while (cupsRasterReadHeader2(raster, &header)) {
                ++pages;
                EXPECT_EQ(header.cupsColorSpace, CUPS_CSPACE_K);
                EXPECT_EQ(header.cupsBitsPerPixel, 1u);
                EXPECT_EQ(header.cupsBitsPerColor, 1u);
                EXPECT_EQ(header.cupsColorOrder, CUPS_ORDER_CHUNKED);
                EXPECT_EQ(header.cupsWidth, 360u);
                EXPECT_EQ(header.cupsHeight, 720u);
                EXPECT_EQ(header.cupsBytesPerLine, 45u);
                EXPECT_EQ(header.HWResolution[0], 120u);
                EXPECT_EQ(header.HWResolution[1], 180u);
                EXPECT_EQ(header.PageSize[0], 216u);
                EXPECT_EQ(header.PageSize[1], 288u);
                EXPECT_EQ(header.cupsRowCount, 24u);
                EXPECT_EQ(header.NumCopies, 3u);
                EXPECT_EQ(header.Margins[0], 18u);
                EXPECT_EQ(header.Margins[1], 36u);
                EXPECT_EQ(header.ImagingBoundingBox[0], 18u);
                EXPECT_EQ(header.ImagingBoundingBox[1], 36u);
                EXPECT_EQ(header.ImagingBoundingBox[2], 198u);
                EXPECT_EQ(header.ImagingBoundingBox[3], 252u);
                EXPECT_STREQ(header.cupsPageSizeName, "TEST");

                PageBitmap want;
                ASSERT_EQ(fillPage(&want, jobPageLayout(job), jobPageContent(job, pages)), 0);
                std::vector<uint8_t> got(want.bits.size());
                for (uint32_t y = 0; y < header.cupsHeight; ++y)
                    ASSERT_EQ(cupsRasterReadPixels(raster, got.data() + size_t{y} * header.cupsBytesPerLine,
                                                   header.cupsBytesPerLine),
                              header.cupsBytesPerLine);
                EXPECT_TRUE(got == want.bits);
                EXPECT_EQ(kind == PageKind::Blank, countPageDots(want) == 0);
            }
            cupsRasterClose(raster);
            ::close(fd);
            EXPECT_EQ(pages, 2);
        }
    }
}

TEST(Rastergen, RandomPagesFollowSeedAndFill)
{
    RasterJob job = smallJob(PageKind::Random);
    const PageLayout layout = jobPageLayout(job);
    PageBitmap a;
    PageBitmap b;
    ASSERT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 0);
    ASSERT_EQ(fillPage(&b, layout, jobPageContent(job, 1)), 0);
    EXPECT_TRUE(a.bits == b.bits);
    ASSERT_EQ(fillPage(&b, layout, jobPageContent(job, 2)), 0); // the next seed
    EXPECT_FALSE(a.bits == b.bits);

    const double dots = static_cast<double>(layout.width) * layout.height; // 259200
    for (uint32_t fill : {0u, 3u, 50u, 97u, 100u}) {
        job.fillPercent = fill;
        ASSERT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 0);
        const double share = static_cast<double>(countPageDots(a)) / dots;
        EXPECT_NEAR(share, fill / 100.0, 0.005) << fill;
    }
    job.fillPercent = 101;
    EXPECT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 22);
}

// Rows with at least one dot, grouped into runs of consecutive rows.
std::vector<std::pair<uint32_t, uint32_t>> inkedRowRuns(const PageBitmap& page)
{
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    for (uint32_t y = 0; y < page.height; ++y) {
        bool ink = false;
        for (uint32_t x = 0; x < page.width && !ink; ++x)
            ink = pageDot(page, x, y) != 0;
        if (!ink)
            continue;
        if (!runs.empty() && runs.back().second == y)
            runs.back().second = y + 1;
        else
            runs.push_back({y, y + 1});
    }
    return runs;
}

TEST(Rastergen, TextPageIsLinesOfGlyphsInsideItsMargins)
{
    RasterJob job = smallJob(PageKind::Text);
    job.mediaWidthPt = 612.0f;
    job.mediaLengthPt = 792.0f;
    job.hdpi = 180;
    const PageLayout layout = jobPageLayout(job);
    PageBitmap page;
    ASSERT_EQ(fillPage(&page, layout, jobPageContent(job, 1)), 0);
    uint32_t left = UINT32_MAX;
    uint32_t right = 0;
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x)
            if (pageDot(page, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    // Half-inch margins inside the 8 x 10 inch printable area.
    EXPECT_GE(left, 90u);
    EXPECT_LT(left, 100u);
    EXPECT_LT(right, layout.printWidth - 90);
    EXPECT_GT(right, layout.printWidth - 90 - 20);
    const auto runs = inkedRowRuns(page);
    ASSERT_GT(runs.size(), 40u); // about six lines to the inch over 9 inches, less paragraph gaps
    EXPECT_GE(runs.front().first, 90u);
    EXPECT_LE(runs.back().second, layout.printHeight - 90);
    for (const auto& run : runs) {
        // Lines of glyphs between 0.05 and 0.15 inch high.
        EXPECT_GE(run.second - run.first, 9u);
        EXPECT_LE(run.second - run.first, 27u);
    }
    // Text-like coverage: well under a quarter of the text area is ink.
    const double share = static_cast<double>(countPageDots(page)) / ((layout.printWidth - 180.0) * (layout.printHeight - 180.0));
    EXPECT_GT(share, 0.05);
    EXPECT_LT(share, 0.25);
}

TEST(Rastergen, SamplePageIsFramedOnItsPrintableArea)
{
    RasterJob job = smallJob(PageKind::Sample);
    parseMedia("a4", &job);
    for (uint32_t dpi : {60u, 180u, 360u}) {
        job.hdpi = dpi;
        job.vdpi = dpi;
        const PageLayout layout = jobPageLayout(job);
        PageBitmap page;
        ASSERT_EQ(fillPage(&page, layout, jobPageContent(job, 1)), 0);
        uint64_t outside = 0;
        for (uint32_t y = 0; y < page.height; ++y)
            for (uint32_t x = 0; x < page.width; ++x)
                if ((x >= layout.printWidth || y >= layout.printHeight) && pageDot(page, x, y))
                    ++outside;
        EXPECT_EQ(outside, 0u) << dpi;
        // The frame runs along all four edges.
        for (uint32_t x = 0; x < layout.printWidth; ++x) {
            ASSERT_TRUE(pageDot(page, x, 0) && pageDot(page, x, layout.printHeight - 1)) << dpi << " x " << x;
        }
        for (uint32_t y = 0; y < layout.printHeight; ++y) {
            ASSERT_TRUE(pageDot(page, 0, y) && pageDot(page, layout.printWidth - 1, y)) << dpi << " y " << y;
        }
        // Inside the frame the page carries content in every quarter.
        for (int q = 0; q < 4; ++q) {
            const uint32_t y0 = layout.printHeight * q / 4 + dpi / 10;
            const uint32_t y1 = layout.printHeight * (q + 1) / 4 - dpi / 10;
            uint64_t ink = 0;
            for (uint32_t y = y0; y < y1; ++y)
                for (uint32_t x = dpi / 2; x < layout.printWidth - dpi / 2; ++x)
                    ink += pageDot(page, x, y);
            EXPECT_GT(ink, 1000u) << dpi << " quarter " << q;
        }
    }
}

TEST(Rastergen, CommandLine)
{
    RastergenArgs args;
    std::string error;
    const char* defaults[] = {"impact-rastergen"};
    ASSERT_EQ(parseRastergenArgs(1, defaults, &args, &error), 0);
    EXPECT_EQ(args.job.kind, PageKind::Sample);
    EXPECT_EQ(args.job.pages, 1);
    EXPECT_EQ(args.job.mediaWidthPt, 595.0f);
    EXPECT_EQ(args.job.mediaLengthPt, 842.0f);
    EXPECT_EQ(args.job.hdpi, 180u);
    EXPECT_EQ(args.job.vdpi, 180u);
    EXPECT_EQ(args.job.rowCount, 24u);
    EXPECT_TRUE(args.job.compressed);
    EXPECT_TRUE(args.outputPath.empty());

    const char* full[] = {"impact-rastergen", "--kind", "random", "--pages=3", "--media", "Letter", "--hdpi", "360",
                          "--vdpi", "360", "--rows", "48", "--fill", "7", "--seed", "18446744073709551615",
                          "--copies", "2", "--uncompressed", "-o", "out.ras"};
    ASSERT_EQ(parseRastergenArgs(static_cast<int>(std::size(full)), full, &args, &error), 0) << error;
    EXPECT_EQ(args.job.kind, PageKind::Random);
    EXPECT_EQ(args.job.pages, 3);
    EXPECT_EQ(args.job.mediaWidthPt, 612.0f);
    EXPECT_EQ(args.job.hdpi, 360u);
    EXPECT_EQ(args.job.vdpi, 360u);
    EXPECT_EQ(args.job.rowCount, 48u);
    EXPECT_EQ(args.job.fillPercent, 7u);
    EXPECT_EQ(args.job.seed, UINT64_MAX);
    EXPECT_EQ(args.job.copies, 2u);
    EXPECT_FALSE(args.job.compressed);
    EXPECT_EQ(args.outputPath, "out.ras");

    const char* custom[] = {"impact-rastergen", "--media", "288.5x432"};
    ASSERT_EQ(parseRastergenArgs(3, custom, &args, &error), 0);
    EXPECT_EQ(args.job.mediaWidthPt, 288.5f);
    EXPECT_EQ(args.job.mediaLengthPt, 432.0f);

    const std::vector<std::vector<const char*>> bad = {
        {"impact-rastergen", "--pages", "0"},     {"impact-rastergen", "--fill", "-1"},
        {"impact-rastergen", "--hdpi", "12x"},    {"impact-rastergen", "--media", "x100"},
        {"impact-rastergen", "--media", "100x"},  {"impact-rastergen", "--media", "0x100"},
        {"impact-rastergen", "--kind", "Sample"}, {"impact-rastergen", "--rows"},
        {"impact-rastergen", "-x"},               {"impact-rastergen", "stray"},
    };
    for (const auto& argv : bad) {
        error.clear();
        EXPECT_EQ(parseRastergenArgs(static_cast<int>(argv.size()), argv.data(), &args, &error), 22) << argv[1];
        EXPECT_FALSE(error.empty()) << argv[1];
    }
}

} // namespace
