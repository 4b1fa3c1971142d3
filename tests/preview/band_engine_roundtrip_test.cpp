// Raster pages through the filter's band engine, in memory, and back
// through the decoder: every dot of the printable area comes back where it
// was, at every resolution of the 24-pin class where feeds and positions
// are exact.
#include <algorithm>
#include <csignal>
#include <cstring>

#include <gtest/gtest.h>

#include "filter/band_assembly.h"
#include "output/output_channel.h"
#include "printer/page_end.h"
#include "printer/page_setup.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"
#include "settings/option_table.h"

#include "impact_decode.h"
#include "page_draw.h"
#include "raster_pages.h"
#include "test_support.h"

namespace {

size_t appendToVector(void* context, const unsigned char* bytes, size_t count)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

int noFlush(void*)
{
    return 0;
}

// A 2.5 x 3 inch medium whose printable area is 2 x 2 inches: the raster
// has dots beyond the printable area on the right and at the bottom.
RasterJob smallJob(uint32_t hdpi, uint32_t vdpi)
{
    RasterJob job;
    job.mediaName = "SMALL";
    job.mediaWidthPt = 180.0f;
    job.mediaLengthPt = 216.0f;
    job.hdpi = hdpi;
    job.vdpi = vdpi;
    job.rowCount = vdpi == 360 ? 48 : 24;
    return job;
}

// How the engine is given the lines: one at a time from the page, or in
// runs read into its own buffer (the run lengths cut short at random, as a
// reader that stops at progress lines does).
enum class Feeding { OneLineAtATime, InRuns };

// Gives the page's lines to the engine in runs of lines copied into the
// places nextLineRun names, as the filter reads them.
void feedInRuns(JobState* state, const cups_page_header2_t* header, PageAssembly* assembly, const PageBitmap& page,
                uint64_t* random)
{
    uint32_t y = 0;
    while (y < page.height) {
        const LineRun run = nextLineRun(state, header, assembly);
        ASSERT_GE(run.count, 1u);
        uint32_t count = 1 + randomBelow(random, 60);
        count = std::min({count, run.count, page.height - y});
        for (uint32_t k = 0; k < count; ++k)
            std::memcpy(run.first + k * run.stride, page.bits.data() + size_t{y + k} * page.bytesPerLine,
                        header->cupsBytesPerLine);
        // One more line than the run holds is refused, and nothing is taken.
        if (run.count != UINT32_MAX && randomBelow(random, 8) == 0) {
            EXPECT_EQ(takeLineRun(state, header, assembly, run.count + 1), 22);
        }
        EXPECT_EQ(takeLineRun(state, header, assembly, count), 0);
        y += count;
    }
}

// The job's pages through page setup, line assembly, page end and teardown
// of the filter, for the 24-pin class with no options chosen.
std::vector<uint8_t> runBandEngine(const RasterJob& job, const std::vector<PageBitmap>& pages,
                                   Feeding feeding = Feeding::OneLineAtATime)
{
    std::vector<uint8_t> out;
    clearOptions();
    JobState* state = resetJobState();
    state->units = kUnitsModel1;
    ppd_size_t size = {};
    size.width = job.mediaWidthPt;
    size.length = job.mediaLengthPt;
    size.left = kSideMarginPt;
    size.right = job.mediaWidthPt - kSideMarginPt;
    size.bottom = kEndMarginPt;
    size.top = job.mediaLengthPt - kEndMarginPt;
    state->pageSize = size;
    cups_page_header2_t header;
    makePageHeader(job, &header);

    const OutputStream memory = {appendToVector, noFlush, &out};
    const OutputStream* previous = setOutputStream(&memory);
    for (size_t n = 0; n < pages.size(); ++n) {
        state->pageCount = static_cast<int32_t>(n + 1);
        EXPECT_EQ(setupPage(state, &header), 0);
        PageAssembly assembly;
        beginPageAssembly(&assembly);
        const PageBitmap& page = pages[n];
        if (feeding == Feeding::InRuns) {
            uint64_t random = 99 + n;
            feedInRuns(state, &header, &assembly, page, &random);
        } else {
            for (uint32_t y = 0; y < page.height; ++y)
                EXPECT_EQ(assembleLine(state, &header, &assembly, page.bits.data() + size_t{y} * page.bytesPerLine),
                          0);
        }
        EXPECT_EQ(finishPageAssembly(state, &header, &assembly), 0);
    }
    EXPECT_EQ(teardownJob(state), 0);
    setOutputStream(previous);
    std::signal(SIGTERM, SIG_DFL);
    return out;
}

// Horizontal stripes of random dots between blank gaps of 1 to 40 lines,
// each stripe over its own span of columns, so bands start at odd lines
// and columns and the head is placed anew for each.
PageBitmap stripedPage(const PageLayout& layout, uint64_t seed)
{
    PageBitmap page;
    initPageBitmap(&page, layout.width, layout.height);
    uint64_t state = seed;
    uint32_t y = 0;
    while (y < layout.height) {
        const uint32_t height = 1 + randomBelow(&state, 60);
        const uint32_t x0 = randomBelow(&state, layout.width / 2);
        const uint32_t x1 = x0 + 1 + randomBelow(&state, layout.width - x0);
        for (uint32_t row = y; row < y + height && row < layout.height; ++row)
            for (uint32_t x = x0; x < x1; ++x)
                if (randomBelow(&state, 100) < 30)
                    setPageDot(&page, x, row);
        y += height + 1 + randomBelow(&state, 40);
    }
    return page;
}

struct Resolution {
    uint32_t hdpi;
    uint32_t vdpi;
};

void PrintTo(const Resolution& r, std::ostream* os)
{
    *os << r.hdpi << "x" << r.vdpi << " dpi";
}

class BandEngineRoundTrip : public ::testing::TestWithParam<Resolution> {};

DecodedStream decodeJob(const std::vector<uint8_t>& bytes)
{
    PrinterClass printer;
    printerClassForPins(24, &printer);
    DecodedStream d;
    EXPECT_EQ(decodeStream(bytes.data(), bytes.size(), printer, &d), 0) << describeError(d);
    return d;
}

// At 360 lines per inch the printer feeds in 1/180 inch, so a feed of an
// odd number of lines is rounded up by one line; each band may therefore
// sit at most one line lower than the band before it. Places every image's
// dots at the smallest such lag that fits the raster, and returns the lag
// of the last image (or -1 when an image fits nowhere).
int64_t matchWithFeedRounding(const Page& page, uint32_t hdpi, const PageBitmap& want, PageBitmap* printed)
{
    initPageBitmap(printed, want.width, want.height);
    int64_t lag = 0;
    for (const BitImage& image : page.images) {
        std::vector<Dot> dots;
        appendImageDots(image, hdpi, 360, &dots);
        bool placed = false;
        for (int64_t d = lag; d <= lag + 1 && !placed; ++d) {
            bool fits = true;
            for (const Dot& dot : dots) {
                const int64_t y = dot.y - d;
                if (dot.x < 0 || y < 0 || dot.x >= want.width || y >= want.height ||
                    !pageDot(want, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y)) ||
                    pageDot(*printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(y))) {
                    fits = false;
                    break;
                }
            }
            if (!fits)
                continue;
            for (const Dot& dot : dots)
                setPageDot(printed, static_cast<uint32_t>(dot.x), static_cast<uint32_t>(dot.y - d));
            lag = d;
            placed = true;
        }
        if (!placed)
            return -1;
    }
    return lag;
}

TEST_P(BandEngineRoundTrip, EveryPrintableDotComesBack)
{
    const Resolution r = GetParam();
    const RasterJob job = smallJob(r.hdpi, r.vdpi);
    const PageLayout layout = jobPageLayout(job);
    ASSERT_EQ(layout.printWidth, 2 * r.hdpi);
    ASSERT_EQ(layout.printHeight, 2 * r.vdpi);

    std::vector<PageBitmap> pages(2);
    pages[0] = stripedPage(layout, 7 + r.hdpi + r.vdpi);
    PageContent random = jobPageContent(job, 2);
    random.kind = PageKind::Random;
    ASSERT_EQ(fillPage(&pages[1], layout, random), 0);

    const DecodedStream d = decodeJob(runBandEngine(job, pages));
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.nulBytes, 0u);
    for (size_t n = 0; n < 2; ++n) {
        SCOPED_TRACE("page " + std::to_string(n + 1));
        const Page& page = d.pages[n];
        EXPECT_EQ(page.end, PageEnd::FormFeed);
        EXPECT_EQ(pageLengthUnits(page, d.printer), 3 * kUnitsPerInch);
        ASSERT_FALSE(page.images.empty());
        for (const BitImage& image : page.images) {
            // The mode matches the raster: its density across, one dot row per line.
            EXPECT_EQ(image.density, r.hdpi);
            EXPECT_EQ(image.rowPitch * r.vdpi, static_cast<uint32_t>(kUnitsPerInch));
        }
        const PageBitmap want = clipPage(pages[n], layout.printWidth, layout.printHeight);
        if (r.vdpi == 180) {
            uint64_t outside = 0;
            const PageBitmap got = decodedBitmap(page, r.hdpi, r.vdpi, layout.printWidth, layout.printHeight, &outside);
            EXPECT_EQ(outside, 0u);
            EXPECT_EQ(firstDifference(want, got), "");
            EXPECT_EQ(pageDotCount(page), countPageDots(want));
        } else {
            PageBitmap printed;
            const int64_t lag = matchWithFeedRounding(page, r.hdpi, want, &printed);
            EXPECT_GE(lag, 0) << "an image matches the raster at no allowed lag";
            EXPECT_EQ(firstDifference(want, printed), "");
            // The striped page has feeds of odd line counts; the random
            // page has none, its bands follow one another.
            if (n == 0) {
                EXPECT_GT(lag, 0);
            } else {
                EXPECT_EQ(lag, 0);
            }
        }
    }
}

TEST_P(BandEngineRoundTrip, LinesInRunsPrintWhatLinesOneByOnePrint)
{
    const Resolution r = GetParam();
    const RasterJob job = smallJob(r.hdpi, r.vdpi);
    const PageLayout layout = jobPageLayout(job);
    // Striped pages: bands that start after blank gaps of every length,
    // dots past the printable width and height, a partial last band.
    std::vector<PageBitmap> pages = {stripedPage(layout, 3 + r.hdpi), stripedPage(layout, 5 + r.vdpi)};
    const std::vector<uint8_t> oneByOne = runBandEngine(job, pages);
    const std::vector<uint8_t> inRuns = runBandEngine(job, pages, Feeding::InRuns);
    ASSERT_FALSE(oneByOne.empty());
    EXPECT_EQ(inRuns, oneByOne);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, BandEngineRoundTrip,
                         ::testing::Values(Resolution{60, 180}, Resolution{90, 180}, Resolution{120, 180},
                                           Resolution{180, 180}, Resolution{360, 180}, Resolution{60, 360},
                                           Resolution{90, 360}, Resolution{120, 360}, Resolution{180, 360},
                                           Resolution{360, 360}),
                         [](const ::testing::TestParamInfo<Resolution>& info) {
                             return std::to_string(info.param.hdpi) + "x" + std::to_string(info.param.vdpi);
                         });

} // namespace
