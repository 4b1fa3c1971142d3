// Raster pages through the band engine in memory and back through the
// decoder: every dot of the printable area comes back where it was, at
// every resolution of the 24-pin class. Lines pushed one at a time, lines
// taken in runs of any length, and the job read from its raster stream all
// print the same bytes.
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

// A 2.5 x 3 inch medium whose printable area is 2 x 2 inches: the raster
// has dots beyond it on the right and at the bottom.
RasterJob smallJob(const Resolution& r)
{
    RasterJob job;
    job.mediaName = "SMALL";
    job.mediaWidthPt = 180.0f;
    job.mediaLengthPt = 216.0f;
    job.hdpi = r.hdpi;
    job.vdpi = r.vdpi;
    job.rowCount = r.vdpi == 360 ? 48 : 24;
    return job;
}

enum class Feeding { Pushed, RandomRuns };

// The pages through the engine, set up as a host without a PPD does, with
// the lines pushed one at a time or taken in runs of random length read in
// place (one more line than a run holds is refused, and nothing is taken).
std::vector<uint8_t> runEngine(const RasterJob& job, const std::vector<PageBitmap>& pages, Feeding feeding)
{
    TestJob test;
    JobConfig config = {1, {}, 0, 0};
    config.pageSize.width = job.mediaWidthPt;
    config.pageSize.length = job.mediaLengthPt;
    config.pageSize.left = kSideMarginPt;
    config.pageSize.right = job.mediaWidthPt - kSideMarginPt;
    config.pageSize.bottom = kEndMarginPt;
    config.pageSize.top = job.mediaLengthPt - kEndMarginPt;
    EXPECT_EQ(configureJob(&test.state, &config), 0);
    cups_page_header2_t header;
    makePageHeader(job, &header);
    uint64_t random = 99;
    for (const PageBitmap& page : pages) {
        EXPECT_EQ(startPage(&test.state, &header), 0);
        for (uint32_t y = 0; y < page.height;) {
            const uint8_t* line = page.bits.data() + size_t{y} * page.bytesPerLine;
            if (feeding == Feeding::Pushed) {
                EXPECT_EQ(pushLine(&test.state, line), 0);
                ++y;
                continue;
            }
            const LineRun run = nextLineRun(&test.state, &header, &test.state.page);
            const uint32_t count = std::min({1 + randomBelow(&random, 60), run.count, page.height - y});
            for (uint32_t k = 0; k < count; ++k)
                std::memcpy(run.first + k * run.stride, line + size_t{k} * page.bytesPerLine, header.cupsBytesPerLine);
            if (run.count != UINT32_MAX && randomBelow(&random, 8) == 0) {
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

// At 360 lines per inch the printer feeds in 1/180 inch, so a feed of an odd
// number of lines is rounded up by one: each band may sit at most one line
// lower than the band before it. Places every image's dots at the smallest
// such lag that fits the raster; the lag of the last image, or -1 when an
// image fits nowhere.
int64_t matchWithFeedRounding(const Page& page, uint32_t hdpi, const PageBitmap& want, PageBitmap* printed)
{
    initPageBitmap(printed, want.width, want.height);
    int64_t lag = 0;
    for (const BitImage& image : page.images) {
        std::vector<Dot> dots;
        appendImageDots(image, hdpi, 360, &dots);
        auto fits = [&](int64_t d) {
            return std::all_of(dots.begin(), dots.end(), [&](const Dot& dot) {
                const int64_t y = dot.y - d;
                return dot.x >= 0 && y >= 0 && dot.x < want.width && y < want.height &&
                       pageDot(want, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y)) &&
                       !pageDot(*printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y));
            });
        };
        if (!fits(lag) && !fits(++lag))
            return -1;
        for (const Dot& dot : dots)
            setPageDot(printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(dot.y - lag));
    }
    return lag;
}

class BandEngineRoundTrip : public ::testing::TestWithParam<Resolution> {};

TEST_P(BandEngineRoundTrip, EveryPrintableDotComesBack)
{
    const Resolution r = GetParam();
    const RasterJob job = smallJob(r);
    const PageLayout layout = jobPageLayout(job);
    ASSERT_EQ(layout.printWidth, 2 * r.hdpi);
    ASSERT_EQ(layout.printHeight, 2 * r.vdpi);
    std::vector<PageBitmap> pages(2);
    pages[0] = stripedPage(layout, 7 + r.hdpi + r.vdpi);
    PageContent random = jobPageContent(job, 2);
    random.kind = PageKind::Random;
    ASSERT_EQ(fillPage(&pages[1], layout, random), 0);

    const DecodedStream d = decodeBytes(runEngine(job, pages, Feeding::Pushed));
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
        if (r.vdpi == 180) {
            uint64_t outside = 0;
            EXPECT_EQ(firstDifference(want, decodedBitmap(page, r.hdpi, r.vdpi, layout.printWidth, layout.printHeight, &outside)), "");
            EXPECT_EQ(outside, 0u);
            EXPECT_EQ(pageDotCount(page), countPageDots(want));
        } else {
            PageBitmap printed;
            const int64_t lag = matchWithFeedRounding(page, r.hdpi, want, &printed);
            EXPECT_GE(lag, 0) << "an image matches the raster at no allowed lag";
            EXPECT_EQ(firstDifference(want, printed), "");
            // The striped page has feeds of odd line counts; the random page's bands follow one another.
            EXPECT_EQ(lag > 0, n == 0);
        }
    }
}

TEST_P(BandEngineRoundTrip, LinesInRunsAndFromTheRasterPrintWhatPushedLinesPrint)
{
    const RasterJob job = smallJob(GetParam());
    const PageLayout layout = jobPageLayout(job);
    // Bands after blank gaps of every length, dots past the printable width
    // and height, a partial last band.
    const std::vector<PageBitmap> pages = {stripedPage(layout, 3 + job.hdpi), stripedPage(layout, 5 + job.vdpi)};
    const std::vector<uint8_t> pushed = runEngine(job, pages, Feeding::Pushed);
    ASSERT_GT(pushed.size(), 100u);
    EXPECT_EQ(runEngine(job, pages, Feeding::RandomRuns), pushed);

    TempDir dir;
    PpdText small;
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
}

INSTANTIATE_TEST_SUITE_P(Resolutions, BandEngineRoundTrip,
                         ::testing::Values(Resolution{60, 180}, Resolution{90, 180}, Resolution{120, 180}, Resolution{180, 180},
                                           Resolution{360, 180}, Resolution{60, 360}, Resolution{90, 360},
                                           Resolution{120, 360}, Resolution{180, 360}, Resolution{360, 360}),
                         [](const ::testing::TestParamInfo<Resolution>& info) {
                             return std::to_string(info.param.hdpi) + "x" + std::to_string(info.param.vdpi);
                         });

} // namespace
