// The start of each page and one band on paper (feed, head position, bit image), byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>

#include "capture_stream.h"
#include "engine/bands/band_render.h"
#include "engine/printer/page_end.h"
#include "engine/printer/page_setup.h"
#include "test_band.h"
#include "test_files.h"

using namespace impact;

namespace {

PageGeometry pageSize(float left, float bottom, float right, float top)
{
    return {612, 792, left, bottom, right, top};
}

cups_page_header2_t header(uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t bytesPerLine)
{
    return blankPage(bytesPerLine * 8, 0, hdpi, vdpi, rows).header;
}

// The first page of a 24-pin job on Letter, 18/36/594/756 printable.
struct PageJob : TestJob {
    PageJob() { state.units = kUnitsTwentyFourPin; state.settings.page = pageSize(18, 36, 594, 756); state.pageCount = 1; }
    ~PageJob() { std::free(state.lineBuffer); }
};

} // namespace

TEST(PageSetup, PrintableAreaIsCutToTheRasterLine)
{
    const struct { PageGeometry size; cups_page_header2_t h; uint32_t width, lineBytes, height; } cases[] = {
        {pageSize(18, 36, 594, 756), header(120, 72, 8, 200), 960, 120, 720},
        {pageSize(18, 36, 594, 756), header(120, 72, 8, 100), 800, 100, 720},
        {pageSize(83.4f, 36, 153.0f, 756), header(120, 72, 8, 100), 115, 15, 720}, // wider than float arithmetic
        {pageSize(594, 756, 18, 36), header(180, 180, 24, 100), 0, 0, 0},          // upside down: nothing
    };
    for (const auto& c : cases) {
        PageJob job;
        job.state.settings.page = c.size;
        ASSERT_EQ(setupPage(&job.state, &c.h), JobResult::Success);
        EXPECT_EQ(job.state.printWidthDots, c.width);
        EXPECT_EQ(job.state.lineBytes, c.lineBytes);
        EXPECT_EQ(job.state.printHeightLines, c.height);
    }
    const struct { PageGeometry size; uint16_t baseDpi; float length, top, bottom; } metrics[] = {
        {pageSize(18, 36, 594, 756), 3600, 39600, 1800, 37800},
        {pageSize(18, 36, 594, 800), 4320, 47520, 0, 45360},  // top beyond the length
        {pageSize(18, 500, 594, 400), 3600, 39600, 0, 14600}, // top below the bottom
        {pageSize(18, 400, 594, 400), 3600, 39600, 19600, 19600},
    };
    for (const auto& m : metrics) {
        const PageMetrics got = computePageMetrics(&m.size, m.baseDpi);
        EXPECT_FLOAT_EQ(got.length, m.length);
        EXPECT_FLOAT_EQ(got.top, m.top);
        EXPECT_FLOAT_EQ(got.bottom, m.bottom);
    }
}

TEST(PageEnd, ReleasesTheColumnsOfABand)
{
    PageJob job;
    job.state.columnBuffer = static_cast<unsigned char*>(std::malloc(10)); // a band cancelled in flight
    EXPECT_EQ(endPage(&job.state), JobResult::Success);
    EXPECT_EQ(job.state.columnBuffer, nullptr);
    EXPECT_EQ(job.hex(), "0C");
}

TEST(RenderBand, DotsColumnsPositionsAndModes)
{
    constexpr JobResult kOk = JobResult::Success;
    const struct { uint32_t width, rows; std::vector<std::pair<uint32_t, uint32_t>> dots;
        uint32_t hdpi, vdpi; uint16_t positionDpi, lines; uint32_t speed; uint16_t flags; JobResult result; std::string bytes;
    } cases[] = {
        {8191, 24, {{0, 0}, {8190, 0}}, 180, 180, 360, 24, 0, 0, kOk, // the widest
         "1B 24 00 00 1B 2A 27 FF 1F 80 00 00 " + hexBytes(std::vector<unsigned char>(3 * 8189, 0)) + " 80 00 00 0D"},
        {256, 24, {{0, 0}, {255, 0}}, 180, 180, 360, 24, 0, 0, kOk, // 256 columns: the count's high byte
         "1B 24 00 00 1B 2A 27 00 01 80 00 00 " + hexBytes(std::vector<unsigned char>(3 * 254, 0)) + " 80 00 00 0D"},
        {200, 24, {{5, 9}}, 180, 180, 360, 24, 0, 0, kOk, "1B 24 0A 00 1B 2A 27 01 00 00 40 00 0D"},
        {16, 48, {{15, 47}}, 360, 360, 360, 48, 0, 0, kOk, "1B 24 0F 00 1B 2A 49 01 00 00 00 00 00 00 01 0D"},
        {64, 8, {{63, 7}, {62, 0}}, 120, 72, 60, 8, 0, 0, kOk, "1B 24 1F 00 1B 2A 01 02 00 80 01 0D"},
        {400, 24, {{100, 0}, {101, 1}, {102, 2}, {103, 3}}, 180, 180, 360, 24, 0, 0, kOk, // only printed columns
         "1B 24 C8 00 1B 2A 27 04 00 80 00 00 40 00 00 20 00 00 10 00 00 0D"},
        {100, 24, {{1, 0}}, 120, 60, 60, 24, 0, 0, kOk, "1B 24 01 00 1B 2A 01 01 00 80 00 00 0D"}, // half up
        {10, 24, {{12, 0}, {3, 20}}, 180, 180, 360, 5, 0, 0, kOk, "0D"}, // padding bits, rows past the lines
        {10, 24, {{12, 0}, {3, 20}, {9, 4}}, 180, 180, 360, 5, 0, 0, kOk, "1B 24 12 00 1B 2A 27 01 00 08 00 00 0D"},
        {16, 24, {{0, 0}}, 120, 180, 360, 24, 1, 1, kOk, "1B 24 00 00 1B 2A 22 01 00 80 00 00 0D"},
        {16, 24, {{0, 0}}, 120, 180, 360, 24, 1, 0, kOk, "1B 24 00 00 1B 2A 21 01 00 80 00 00 0D"},
        {8192, 24, {{0, 0}}, 180, 180, 360, 24, 0, 0, JobResult::BadData, ""}, // over the command's 8191 columns
        {0, 24, {}, 180, 180, 360, 24, 0, 0, kOk, ""},
        {16, 24, {{0, 0}}, 200, 180, 360, 24, 0, 0, JobResult::BadData, ""}, // no mode: "Illegal Resolution"
    };
    for (const auto& c : cases) {
        Band band(c.width, c.rows);
        band.bits.resize(std::max<size_t>(band.bits.size(), 1));
        for (const auto& [x, y] : c.dots)
            band.dot(x, y);
        TestJob job;
        unsigned char* columnBuffer = reinterpret_cast<unsigned char*>(1); // must be cleared
        uint32_t pending = 77;
        const BandContext bandJob = {c.width, c.positionDpi, c.speed, c.flags, &columnBuffer, &pending, c.rows, c.hdpi,
                                 c.vdpi, &job.state.host.printer, &job.state.host.reports};
        EXPECT_EQ(renderBand(&bandJob, c.lines, band.bits.data()), c.result) << c.bytes;
        EXPECT_EQ(job.hex(), c.bytes);
        EXPECT_EQ(job.status, c.hdpi == 200 ? "ERROR: Illegal Resolution.\n" : "");
        EXPECT_TRUE(c.bytes.empty() || c.bytes == "0D" || (columnBuffer == nullptr && pending == 0)) << c.bytes;
    }
}

TEST(RenderBand, AFailingStreamStillGetsTheWholeBandAndItsCarriageReturn)
{
    Band band(16, 24);
    band.dot(3, 3);
    TestJob job;
    job.out.failAfterWrites = 1; // the position goes out, nothing after
    unsigned char* columnBuffer = nullptr;
    uint32_t pending = 0;
    const BandContext bandJob = {16, 360, 0, 0, &columnBuffer, &pending, 24, 180, 180, &job.state.host.printer,
                       &job.state.host.reports};
    EXPECT_EQ(renderBand(&bandJob, 24, band.bits.data()), JobResult::OutputFailed);
    EXPECT_EQ(job.status, ""); // the page end reports it
    // Position, then bit-image header, data and CR (3 tries each).
    EXPECT_EQ(job.out.writeCalls, 1u + 3 + 3 + 3);
    EXPECT_EQ(pending, 0u);
    EXPECT_EQ(columnBuffer, nullptr);
}

TEST(FeedLines, StepsRoundPerCallAndSplitAt255)
{
    constexpr JobResult kOk = JobResult::Success;
    constexpr JobResult kNo = JobResult::Unsupported;
    const struct { uint32_t vdpi; uint16_t lines, feedDpi; JobResult result; const char* bytes; } cases[] = {
        {180, 0, 180, kOk, ""},          {360, 1, 180, kOk, "1B 4A 01"},
        {180, 24, 216, kOk, "1B 4A 1D"}, {180, 600, 180, kOk, "1B 4A FF 1B 4A FF 1B 4A 5A"},
        {720, 1, 180, kOk, ""}, // a quarter step rounds to nothing
        {180, 10, 200, kNo, ""},         {0, 10, 180, kNo, ""},
    };
    for (const auto& c : cases) {
        TestJob job;
        EXPECT_EQ(feedLines(&job.state.host.printer, c.vdpi, c.lines, c.feedDpi), c.result) << c.bytes;
        EXPECT_EQ(job.hex(), c.bytes);
    }
}

TEST(DispatchBand, LongFeedsAreNeverShortened)
{
    // 70000 lines at 180 dpi in 1/180 inch; 60000 lines at 60 dpi in 1/216
    // inch on the 9-pin class: more steps than 16 bits hold.
    for (const auto& [units, vdpi, lines, steps] :
         {std::tuple{kUnitsTwentyFourPin, 180u, 70000u, 70000u}, std::tuple{kUnitsNinePin, 60u, 60000u, 216000u}}) {
        TestJob job;
        job.state.units = units;
        const cups_page_header2_t h = header(180, vdpi, 24, 2);
        EXPECT_EQ(dispatchBand(&job.state, &h, lines, 0), JobResult::Success);
        uint64_t sum = 0;
        ASSERT_EQ(job.out.bytes.size() % 3, 0u);
        for (size_t i = 0; i < job.out.bytes.size(); i += 3) {
            ASSERT_EQ(job.out.bytes[i + 1], 0x4A);
            sum += job.out.bytes[i + 2];
        }
        EXPECT_EQ(sum, steps);
    }
}
