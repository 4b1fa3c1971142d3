#include <gtest/gtest.h>

#include <vector>

#include "capture_stream.h"
#include "test_band.h"
#include "printer/band_output.h"

namespace {

struct Rendered {
    StatusCode status;
    std::string bytes;
    std::string err;
    unsigned char* columnBuffer;
    uint32_t pending;
};

Rendered render(const Band& band, uint32_t hdpi, uint32_t vdpi, uint16_t positionDpi, uint16_t lines,
                uint32_t speed = 0, uint16_t flags = 0, CaptureStream* capture = nullptr)
{
    CaptureStream own;
    CaptureStream* c = capture ? capture : &own;
    unsigned char* columnBuffer = reinterpret_cast<unsigned char*>(1); // must be cleared
    uint32_t pending = 77;
    BandJob job = {band.width, positionDpi, speed, flags, &columnBuffer, &pending, band.rows, hdpi, vdpi};
    captureBegin(c);
    testing::internal::CaptureStderr();
    StatusCode status = renderBand(&job, lines, band.bits.data());
    std::string err = testing::internal::GetCapturedStderr();
    captureEnd(c);
    return {status, hexBytes(c->bytes), err, columnBuffer, pending};
}

} // namespace

TEST(RenderBand, SingleDotsLandInTheirColumnBits)
{
    Band corner(200, 24);
    corner.dot(0, 0);
    Rendered r = render(corner, 180, 180, 360, 24);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.bytes, "1B 24 00 00 1B 2A 27 01 00 80 00 00 0D");
    EXPECT_EQ(r.columnBuffer, nullptr);
    EXPECT_EQ(r.pending, 0u);

    Band row9(200, 24);
    row9.dot(5, 9);
    EXPECT_EQ(render(row9, 180, 180, 360, 24).bytes, "1B 24 0A 00 1B 2A 27 01 00 00 40 00 0D");

    Band bottom(16, 48);
    bottom.dot(15, 47);
    EXPECT_EQ(render(bottom, 360, 360, 360, 48).bytes, "1B 24 0F 00 1B 2A 49 01 00 00 00 00 00 00 01 0D");

    Band eight(64, 8);
    eight.dot(63, 7);
    eight.dot(62, 0);
    // 120x72, 8 rows: mode 1; position of column 62 at 1/60 inch: 31.
    EXPECT_EQ(render(eight, 120, 72, 60, 8).bytes, "1B 24 1F 00 1B 2A 01 02 00 80 01 0D");
}

TEST(RenderBand, OnlyThePrintedColumnsAreSent)
{
    Band band(400, 24);
    for (uint32_t x = 100; x <= 103; ++x)
        band.dot(x, static_cast<uint32_t>(x - 100));
    Rendered r = render(band, 180, 180, 360, 24);
    EXPECT_EQ(r.bytes, "1B 24 C8 00 1B 2A 27 04 00 80 00 00 40 00 00 20 00 00 10 00 00 0D");
}

TEST(RenderBand, PositionRoundsHalfUp)
{
    Band band(100, 24);
    band.dot(1, 0);
    // 120 dpi, 60 dpi vertical, 24 rows: mode 1; column 1 is half a 1/60 inch.
    EXPECT_EQ(render(band, 120, 60, 60, 24).bytes, "1B 24 01 00 1B 2A 01 01 00 80 00 00 0D");
}

TEST(RenderBand, RowsBeyondTheDataLinesAndColumnsBeyondTheWidthAreBlank)
{
    Band band(10, 24);       // 2 bytes a row: columns 10 to 15 are padding
    band.dot(12, 0);         // padding
    band.dot(3, 20);         // below the 5 data lines
    EXPECT_EQ(render(band, 180, 180, 360, 5).bytes, "0D");
    band.dot(9, 4);
    EXPECT_EQ(render(band, 180, 180, 360, 5).bytes, "1B 24 12 00 1B 2A 27 01 00 08 00 00 0D");
}

TEST(RenderBand, RefusalsAndLimits)
{
    Band band(8192, 24);
    band.dot(0, 0);
    Rendered wide = render(band, 180, 180, 360, 24);
    EXPECT_EQ(wide.status, -1);
    EXPECT_EQ(wide.bytes, "");

    Band empty(0, 24);
    empty.bits.resize(1); // a band of no columns still has a buffer
    Rendered none = render(empty, 180, 180, 360, 24);
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.bytes, "");

    Band small(16, 24);
    small.dot(0, 0);
    Rendered illegal = render(small, 200, 180, 360, 24);
    EXPECT_EQ(illegal.status, -1);
    EXPECT_EQ(illegal.err, "ERROR: Illegal Resolution.\n");
    EXPECT_EQ(illegal.bytes, "");

    EXPECT_EQ(render(small, 180, 180, 360, 0).status, 22);
    EXPECT_EQ(render(small, 180, 180, 0, 24).status, 22);
    EXPECT_EQ(render(small, 180, 0, 360, 24).status, 22);
    unsigned char* slot = nullptr;
    uint32_t pending = 0;
    BandJob job = {16, 360, 0, 0, &slot, &pending, 24, 180, 180};
    EXPECT_EQ(renderBand(&job, 24, nullptr), 22);
    EXPECT_EQ(renderBand(nullptr, 24, small.bits.data()), 22);
    job.pendingSlot = nullptr;
    EXPECT_EQ(renderBand(&job, 24, small.bits.data()), 22);
}

TEST(RenderBand, HighSpeedAndFlagsChooseTheMode)
{
    Band band(16, 24);
    band.dot(0, 0);
    EXPECT_EQ(render(band, 120, 180, 360, 24, 1, 1).bytes.substr(12, 8), "1B 2A 22"); // 34
    EXPECT_EQ(render(band, 120, 180, 360, 24, 1, 0).bytes.substr(12, 8), "1B 2A 21"); // 33
}

TEST(RenderBand, AFailingStreamStillGetsTheWholeBandAndItsCarriageReturn)
{
    Band band(16, 24);
    band.dot(3, 3);
    CaptureStream capture;
    capture.failAfterWrites = 1; // the ESC $ letters go out, nothing after
    Rendered r = render(band, 180, 180, 360, 24, 0, 0, &capture);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "");
    // ESC $, position (3 tries), ESC *, header (3 tries), data (3 tries), CR.
    EXPECT_EQ(capture.writeCalls, 1u + 3 + 1 + 3 + 3 + 1);
    EXPECT_EQ(r.pending, 0u);
    EXPECT_EQ(r.columnBuffer, nullptr);
}

TEST(FeedLines, StepsRoundPerCallAndSplitAt255)
{
    auto feed = [](uint32_t vdpi, uint16_t lines, uint16_t feedDpi, StatusCode* status) {
        CaptureStream c;
        captureBegin(&c);
        *status = feedLines(vdpi, lines, feedDpi);
        captureEnd(&c);
        return hexBytes(c.bytes);
    };
    StatusCode status = -7;
    EXPECT_EQ(feed(180, 0, 180, &status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(feed(360, 1, 180, &status), "1B 4A 01");
    EXPECT_EQ(feed(180, 24, 216, &status), "1B 4A 1D");
    EXPECT_EQ(feed(180, 600, 180, &status), "1B 4A FF 1B 4A FF 1B 4A 5A");
    EXPECT_EQ(feed(720, 1, 180, &status), ""); // a quarter step rounds to nothing
    EXPECT_EQ(status, 0);
    EXPECT_EQ(feed(180, 10, 200, &status), "");
    EXPECT_EQ(status, 22);
    EXPECT_EQ(feed(0, 10, 180, &status), "");
    EXPECT_EQ(status, 22);
}

TEST(DispatchBand, LongFeedsAreNeverShortened)
{
    JobState state = {};
    state.units = kUnitsModel1;
    cups_page_header2_t header = {};
    header.HWResolution[0] = 180;
    header.HWResolution[1] = 180;
    header.cupsRowCount = 24;
    CaptureStream c;
    captureBegin(&c);
    // 70000 lines at 180 dpi in 1/180 inch: 70000 steps in all.
    StatusCode status = dispatchBand(&state, &header, 70000, 0);
    captureEnd(&c);
    EXPECT_EQ(status, 0);
    uint64_t steps = 0;
    ASSERT_EQ(c.bytes.size() % 3, 0u);
    for (size_t i = 0; i < c.bytes.size(); i += 3) {
        ASSERT_EQ(c.bytes[i], 0x1B);
        ASSERT_EQ(c.bytes[i + 1], 0x4A);
        steps += c.bytes[i + 2];
    }
    EXPECT_EQ(steps, 70000u);

    // A 9-pin feed of 60000 lines at 60 dpi is 216000 steps: more than 16 bits hold.
    state.units = kUnitsModel0;
    header.HWResolution[1] = 60;
    CaptureStream nine;
    captureBegin(&nine);
    EXPECT_EQ(dispatchBand(&state, &header, 60000, 0), 0);
    captureEnd(&nine);
    steps = 0;
    for (size_t i = 2; i < nine.bytes.size(); i += 3)
        steps += nine.bytes[i];
    EXPECT_EQ(steps, 216000u);
}

TEST(DispatchBand, FeedThenBand)
{
    JobState state = {};
    state.units = kUnitsModel1;
    state.printWidthDots = 16;
    state.lineBytes = 2;
    std::vector<unsigned char> band(2 * 24, 0);
    band[0] = 0x80;
    state.bandBuffer = band.data();
    cups_page_header2_t header = {};
    header.HWResolution[0] = 180;
    header.HWResolution[1] = 180;
    header.cupsRowCount = 24;
    CaptureStream c;
    captureBegin(&c);
    EXPECT_EQ(dispatchBand(&state, &header, 30, 24), 0);
    captureEnd(&c);
    EXPECT_EQ(hexBytes(c.bytes), "1B 4A 1E 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D");
    EXPECT_EQ(dispatchBand(nullptr, &header, 1, 1), 22);
    EXPECT_EQ(dispatchBand(&state, nullptr, 1, 1), 22);
}
