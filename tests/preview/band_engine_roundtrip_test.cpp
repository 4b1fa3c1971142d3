// Raster pages through the band engine in memory and back through the
// decoder: every dot of the printable area comes back where it was, at
// every resolution of the 9- and 24-pin classes. Lines pushed one at a
// time, lines taken in runs of any length, and the job read from its raster
// stream all print the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "capture_stream.h"
#include "decoded.h"
#include "page_draw.h"
#include "printer/band_assembly.h"
#include "printer/page_flow.h"
#include "test_files.h"

namespace {

struct Resolution {
    uint32_t hdpi, vdpi;
};

int modelOf(const RasterJob& job) { return job.vdpi == 72 ? 0 : 1; } // 9-pin bands are 1/72 inch rows

// The pages through the engine, set up as a host without a PPD does, with
// the lines pushed one at a time or taken in runs of random length read in
// place (one more line than a run holds is refused, and nothing is taken).
std::vector<uint8_t> runEngine(const RasterJob& job, const std::vector<PageBitmap>& pages, bool inRuns)
{
    TestJob test;
    const float w = job.mediaWidthPt, l = job.mediaLengthPt;
    const ppd_size_t size = {0, "SMALL", w, l, kSideMarginPt, kEndMarginPt, w - kSideMarginPt, l - kEndMarginPt};
    const JobConfig config = {modelOf(job), size, 0, 0};
    EXPECT_EQ(configureJob(&test.state, &config), 0);
    cups_page_header2_t header;
    makePageHeader(job, &header);
    uint64_t random = 99;
    for (const PageBitmap& page : pages) {
        EXPECT_EQ(startPage(&test.state, &header), 0);
        for (uint32_t y = 0; y < page.height;) {
            const uint8_t* line = page.bits.data() + size_t{y} * page.bytesPerLine;
            if (!inRuns) {
                EXPECT_EQ(pushLine(&test.state, line), 0);
                ++y;
                continue;
            }
            const LineRun run = nextLineRun(&test.state, &header, &test.state.page);
            const uint32_t count = std::min({1 + randomBelow(&random, 60), run.count, page.height - y});
            for (uint32_t k = 0; k < count; ++k)
                std::memcpy(run.first + k * run.stride, line + size_t{k} * page.bytesPerLine, header.cupsBytesPerLine);
            if (run.count != UINT32_MAX && randomBelow(&random, 8) == 0) { // one line too many
                EXPECT_EQ(takeLineRun(&test.state, &header, &test.state.page, run.count + 1), 22);
            }
            EXPECT_EQ(takeLineRun(&test.state, &header, &test.state.page, count), 0);
            y += count;
        }
        EXPECT_EQ(finishPage(&test.state), 0);
    }
    EXPECT_EQ(finishJob(&test.state), 0);
    return test.out.bytes;
}

// Horizontal stripes of random dots between blank gaps of 1 to 40 lines,
// each over its own span of columns: bands start at odd lines and columns.
PageBitmap stripedPage(const PageLayout& layout, uint64_t seed)
{
    PageBitmap page;
    initPageBitmap(&page, layout.width, layout.height);
    for (uint32_t y = 0; y < layout.height;) {
        const uint32_t height = 1 + randomBelow(&seed, 60);
        const uint32_t x0 = randomBelow(&seed, layout.width / 2);
        const uint32_t x1 = x0 + 1 + randomBelow(&seed, layout.width - x0);
        for (uint32_t row = y; row < y + height && row < layout.height; ++row)
            for (uint32_t x = x0; x < x1; ++x)
                if (randomBelow(&seed, 100) < 30)
                    setPageDot(&page, x, row);
        y += height + 1 + randomBelow(&seed, 40);
    }
    return page;
}

// Places every image's dots on *printed, each on a wanted raster dot not yet
// printed; the lag of the last image, or -1 when an image fits nowhere. The
// printer's steps may be coarser than the raster's dots: at 360 lines per
// inch it feeds in 1/180 inch, rounding an odd line count up, so a band may
// sit one line lower than the band before it; the 9-pin class places bands
// in 1/60 inch, so a band may start up to half a step from its first column.
int64_t placeImages(const Page& page, const DecodedStream& d, const Resolution& r, const PageBitmap& want, PageBitmap* printed)
{
    initPageBitmap(printed, want.width, want.height);
    const int64_t half = kUnitsPerInch / d.printer.positionDpi / 2;
    int64_t lag = 0;
    for (BitImage image : page.images) {
        if (image.y % (kUnitsPerInch / r.vdpi) != 0) // off its raster line
            return -1;
        const int64_t x = image.x;
        std::vector<Dot> dots;
        auto fits = [&](int64_t at, int64_t lower) {
            image.x = at;
            dots.clear();
            appendImageDots(image, r.hdpi, r.vdpi, &dots);
            return std::all_of(dots.begin(), dots.end(), [&](const Dot& dot) {
                const int64_t y = dot.y - lower;
                return dot.x >= 0 && y >= 0 && dot.x < want.width && y < want.height &&
                       pageDot(want, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y)) &&
                       !pageDot(*printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y));
            });
        };
        bool placed = false;
        for (int64_t lower = lag; !placed && lower <= lag + (r.vdpi == 360); ++lower)
            for (int64_t at = std::max<int64_t>(0, x - half); !placed && at < x + half; ++at)
                if (at % image.columnPitch == 0 && fits(at, lower)) {
                    placed = true;
                    lag = lower;
                }
        if (!placed)
            return -1;
        for (const Dot& dot : dots)
            setPageDot(printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(dot.y - lag));
    }
    return lag;
}

class BandEngineRoundTrip : public ::testing::TestWithParam<Resolution> {};

TEST_P(BandEngineRoundTrip, EveryPrintableDotComesBackInTheSameBytesHoweverLinesArrive)
{
    const Resolution r = GetParam();
    RasterJob job; // 2.5 x 3 inches, printable 2 x 2 inches
    job.mediaName = "SMALL";
    job.mediaWidthPt = 180.0f;
    job.mediaLengthPt = 216.0f;
    job.hdpi = r.hdpi;
    job.vdpi = r.vdpi;
    job.rowCount = r.vdpi == 72 ? 8 : r.vdpi == 360 ? 48 : 24;
    job.kind = PageKind::Random;
    const PageLayout layout = jobPageLayout(job);
    // Bands after blank gaps of every length, and a page of random dots;
    // both with dots past the printable width and height.
    std::vector<PageBitmap> pages = {stripedPage(layout, 7 + r.hdpi + r.vdpi), {}};
    ASSERT_EQ(fillPage(&pages[1], layout, jobPageContent(job, 2)), 0);

    const std::vector<uint8_t> pushed = runEngine(job, pages, false);
    EXPECT_EQ(runEngine(job, pages, true), pushed);
    TempDir dir;
    PpdText small;
    small.modelNumber = modelOf(job);
    small.pageSizes = {"SMALL 180 216 18 36 162 180"};
    small.defaultPageSize = "SMALL";
    std::vector<RasterPage> raster;
    for (const PageBitmap& page : pages) {
        raster.push_back({{}, page.bits});
        makePageHeader(job, &raster.back().header);
    }
    TestJob read;
    EXPECT_EQ(runTestJob(&read, "", writePpd(dir, small), rasterBytes(raster)), 0) << read.status;
    EXPECT_EQ(read.out.bytes, pushed);

    const DecodedStream d = decodeBytes(pushed, modelOf(job) == 0 ? 9 : 24);
    ASSERT_FALSE(d.failed) << describeError(d);
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.nulBytes, 0u);
    for (size_t n = 0; n < 2; ++n) {
        SCOPED_TRACE("page " + std::to_string(n + 1));
        const Page& page = d.pages[n];
        EXPECT_EQ(page.end, PageEnd::FormFeed);
        EXPECT_EQ(pageLengthUnits(page, d.printer), 3 * kUnitsPerInch);
        ASSERT_FALSE(page.images.empty());
        for (const BitImage& image : page.images) { // the mode matches the raster
            EXPECT_EQ(image.density, r.hdpi);
            EXPECT_EQ(image.rowPitch * r.vdpi, static_cast<uint32_t>(kUnitsPerInch));
        }
        const PageBitmap want = clipPage(pages[n], layout.printWidth, layout.printHeight);
        PageBitmap printed;
        const int64_t lag = placeImages(page, d, r, want, &printed);
        ASSERT_GE(lag, 0) << "an image matches the raster nowhere";
        EXPECT_EQ(firstDifference(want, printed), "");
        // Only the striped page at 360 lines per inch feeds odd line counts.
        EXPECT_EQ(lag > 0, r.vdpi == 360 && n == 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, BandEngineRoundTrip,
                         ::testing::Values(Resolution{60, 72}, Resolution{72, 72}, Resolution{80, 72},
                                           Resolution{90, 72}, Resolution{120, 72}, Resolution{144, 72},
                                           Resolution{240, 72}, Resolution{60, 180}, Resolution{90, 180},
                                           Resolution{120, 180}, Resolution{180, 180}, Resolution{360, 180},
                                           Resolution{60, 360}, Resolution{90, 360}, Resolution{120, 360},
                                           Resolution{180, 360}, Resolution{360, 360}),
                         [](const auto& info) {
                             return std::to_string(info.param.hdpi) + "x" + std::to_string(info.param.vdpi);
                         });

} // namespace
