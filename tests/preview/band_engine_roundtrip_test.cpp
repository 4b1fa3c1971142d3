// Every printable dot through the band engine and back through the decoder,
// at every 9- and 24-pin resolution; lines pushed one at a time, taken in
// runs, or read from a raster stream print the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "capture_stream.h"
#include "decoded.h"
#include "page_draw.h"
#include "engine/bands/band_assembly.h"
#include "engine/job/page_flow.h"
#include "test_files.h"

using namespace impact;

namespace {

struct Resolution { uint32_t hdpi, vdpi; };

// 9-pin bands are 1/72 inch rows.
impact::PrinterClass classOf(const RasterJob& job)
{
    return job.vdpi == 72 ? impact::PrinterClass::NinePin : impact::PrinterClass::TwentyFourPin;
}

// The pages through the engine as a host without a PPD sets it up, lines
// pushed one at a time or taken in place in runs of random length.
std::vector<uint8_t> runEngine(const RasterJob& job, const std::vector<PageBitmap>& pages, bool inRuns)
{
    TestJob test;
    const float w = job.mediaWidthPt, l = job.mediaLengthPt;
    impact::JobSettings settings{};
    settings.printerClass = classOf(job);
    settings.page = {w, l, kSideMarginPt, kEndMarginPt, w - kSideMarginPt, l - kEndMarginPt};
    EXPECT_EQ(configureJob(&test.state, &settings), JobResult::Success);
    cups_page_header2_t header;
    makePageHeader(job, &header);
    uint64_t random = 99;
    for (const PageBitmap& page : pages) {
        EXPECT_EQ(startPage(&test.state, &header), JobResult::Success);
        for (uint32_t y = 0; y < page.height;) {
            const uint8_t* line = page.bits.data() + size_t{y} * page.bytesPerLine;
            if (!inRuns) {
                EXPECT_EQ(pushLine(&test.state, line), JobResult::Success);
                ++y;
                continue;
            }
            const LineRun run = nextLineRun(&test.state, &header, &test.state.page);
            const uint32_t count = std::min({1 + randomBelow(&random, 60), run.count, page.height - y});
            for (uint32_t k = 0; k < count; ++k)
                std::memcpy(run.first + k * run.stride, line + size_t{k} * page.bytesPerLine, header.cupsBytesPerLine);
            const bool tooMany = run.count != UINT32_MAX && randomBelow(&random, 8) == 0; // refused, nothing taken
            EXPECT_TRUE(!tooMany || takeLineRun(&test.state, &header, &test.state.page, run.count + 1) == JobResult::Unsupported);
            EXPECT_EQ(takeLineRun(&test.state, &header, &test.state.page, count), JobResult::Success);
            y += count;
        }
        EXPECT_EQ(finishPage(&test.state), JobResult::Success);
    }
    EXPECT_EQ(finishJob(&test.state), JobResult::Success);
    return test.out.bytes;
}

// Stripes of random dots over random columns between blank gaps: bands at odd lines and columns.
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

// Places each image's dots on *printed, each on a wanted dot not yet printed;
// the last image's lag, or -1 when one fits nowhere. At 360 lpi feeds round
// odd line counts up to 1/180 inch, so a band may sit a line low; the 9-pin
// class positions in 1/60 inch, so a band may start half a step off.
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
                if (at % image.columnPitch == 0 && fits(at, lower))
                    placed = true, lag = lower;
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
    // 2.5 x 3 inches, printable 2 x 2 inches.
    const RasterJob job = {.kind = PageKind::Random, .mediaName = "SMALL", .mediaWidthPt = 180.0f, .mediaLengthPt = 216.0f,
                           .hdpi = r.hdpi, .vdpi = r.vdpi, .rowCount = r.vdpi == 72 ? 8u : r.vdpi == 360 ? 48u : 24u};
    const PageLayout layout = jobPageLayout(job);
    // Striped and random pages, both with dots past the printable area.
    std::vector<PageBitmap> pages = {stripedPage(layout, 7 + r.hdpi + r.vdpi), {}};
    ASSERT_EQ(fillPage(&pages[1], layout, jobPageContent(job, 2)), 0);

    const std::vector<uint8_t> pushed = runEngine(job, pages, false);
    EXPECT_EQ(runEngine(job, pages, true), pushed);
    TempDir dir;
    const PpdText small = {classOf(job) == impact::PrinterClass::NinePin ? 0 : 1, {"SMALL 180 216 18 36 162 180"}, "SMALL", ""};
    std::vector<RasterPage> raster;
    for (const PageBitmap& page : pages) {
        raster.push_back({{}, page.bits});
        makePageHeader(job, &raster.back().header);
    }
    TestJob read;
    EXPECT_EQ(runTestJob(&read, "", writePpd(dir, small), rasterBytes(raster)), JobResult::Success) << read.status;
    EXPECT_EQ(read.out.bytes, pushed);

    const DecodedStream d = decodeBytes(pushed, classOf(job) == impact::PrinterClass::NinePin ? 9 : 24);
    ASSERT_FALSE(d.failed) << describeError(d);
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.nulBytes, 0u);
    for (size_t n = 0; n < 2; ++n) {
        SCOPED_TRACE("page " + std::to_string(n + 1));
        const Page& page = d.pages[n];
        EXPECT_EQ(page.end, ::PageEnd::FormFeed);
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
    ::testing::ValuesIn(std::vector<Resolution>{{60, 72}, {72, 72}, {80, 72}, {90, 72}, {120, 72}, {144, 72}, {240, 72},
        {60, 180}, {90, 180}, {120, 180}, {180, 180}, {360, 180}, {60, 360}, {90, 360}, {120, 360}, {180, 360}, {360, 360}}),
    [](const auto& info) { return std::to_string(info.param.hdpi) + "x" + std::to_string(info.param.vdpi); });

} // namespace
