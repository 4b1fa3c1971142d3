#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include "capture_stream.h"
#include "printer/page_end.h"
#include "printer/page_setup.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"
#include "settings/option_table.h"

namespace {

ppd_size_t pageSize(float width, float length, float left, float bottom, float right, float top)
{
    ppd_size_t size = {};
    std::strcpy(size.name, "Test");
    size.width = width;
    size.length = length;
    size.left = left;
    size.bottom = bottom;
    size.right = right;
    size.top = top;
    return size;
}

cups_page_header2_t header(uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t bytesPerLine)
{
    cups_page_header2_t h = {};
    h.HWResolution[0] = hdpi;
    h.HWResolution[1] = vdpi;
    h.cupsRowCount = rows;
    h.cupsBytesPerLine = bytesPerLine;
    h.cupsWidth = bytesPerLine * 8;
    h.cupsBitsPerPixel = 1;
    h.cupsColorSpace = CUPS_CSPACE_K;
    return h;
}

class PageSetup : public testing::Test {
protected:
    JobState* state = nullptr;
    CaptureStream capture;
    void SetUp() override
    {
        clearOptions();
        state = resetJobState();
        state->units = kUnitsModel1;
        state->pageSize = pageSize(612, 792, 18, 36, 594, 756);
        state->pageCount = 1;
        captureBegin(&capture);
    }
    void TearDown() override
    {
        captureEnd(&capture);
        std::free(state->lineBuffer);
        state->lineBuffer = state->bandBuffer = nullptr;
        clearOptions();
        std::signal(SIGTERM, SIG_DFL);
    }
};

} // namespace

TEST_F(PageSetup, FirstPageComputesThePrintableAreaAndSendsTheJobStart)
{
    cups_page_header2_t h = header(120, 72, 8, 130);
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(state->printWidthDots, 960u);
    EXPECT_EQ(state->lineBytes, 120u);
    EXPECT_EQ(state->printHeightLines, 720u);
    EXPECT_NE(state->lineBuffer, nullptr);
    EXPECT_EQ(state->bandBuffer, state->lineBuffer + 130);
    EXPECT_GE(state->bufferCapacity, 8u * 120 + 130);
    // 792 pt * 50 = 39600 base units = 3960 = 0x0F78 page units.
    EXPECT_EQ(hexBytes(capture.bytes), "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F");
}

TEST_F(PageSetup, WidthIsCutToTheRasterLine)
{
    cups_page_header2_t wide = header(120, 72, 8, 200);
    ASSERT_EQ(setupPage(state, &wide), 0);
    EXPECT_EQ(state->printWidthDots, 960u);
    EXPECT_EQ(state->lineBytes, 120u);
    std::free(state->lineBuffer);
    state->lineBuffer = nullptr;

    cups_page_header2_t narrow = header(120, 72, 8, 100);
    ASSERT_EQ(setupPage(state, &narrow), 0);
    EXPECT_EQ(state->printWidthDots, 800u);
    EXPECT_EQ(state->lineBytes, 100u);
}

TEST_F(PageSetup, WidthArithmeticIsWiderThanSinglePrecision)
{
    state->pageSize = pageSize(612, 792, 83.4f, 36, 153.0f, 756);
    cups_page_header2_t h = header(120, 72, 8, 100);
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(state->printWidthDots, 115u);
    EXPECT_EQ(state->lineBytes, 15u);
}

TEST_F(PageSetup, InvertedPageSizesPrintNothing)
{
    state->pageSize = pageSize(612, 792, 594, 756, 18, 36);
    cups_page_header2_t h = header(180, 180, 24, 100);
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(state->printWidthDots, 0u);
    EXPECT_EQ(state->lineBytes, 0u);
    EXPECT_EQ(state->printHeightLines, 0u);
}

TEST_F(PageSetup, PageMetrics)
{
    ppd_size_t letter = pageSize(612, 792, 18, 36, 594, 756);
    PageMetrics m = computePageMetrics(&letter, 3600);
    EXPECT_FLOAT_EQ(m.length, 39600);
    EXPECT_FLOAT_EQ(m.top, 1800);
    EXPECT_FLOAT_EQ(m.bottom, 37800);
    ppd_size_t tall = pageSize(612, 792, 18, 36, 594, 800); // top beyond the length
    EXPECT_FLOAT_EQ(computePageMetrics(&tall, 4320).top, 0);
    ppd_size_t inverted = pageSize(612, 792, 18, 500, 594, 400); // top below bottom
    EXPECT_FLOAT_EQ(computePageMetrics(&inverted, 3600).top, 0);
    ppd_size_t flat = pageSize(612, 792, 18, 400, 594, 400); // equal keeps top
    EXPECT_FLOAT_EQ(computePageMetrics(&flat, 3600).top, 19600);
}

TEST_F(PageSetup, SpeedChoiceDecidesTheSpeedCommandAndTheMode)
{
    state->speedCommandEnabled = 1;
    state->graphicsFlags = 1;
    setOptionChoice("KXSpeed", "HighSpeed");
    cups_page_header2_t h = header(120, 180, 24, 200);
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(state->speed, 1u);
    EXPECT_NE(hexBytes(capture.bytes).find("1B 50 1C 78 01 1B 28 55"), std::string::npos);

    std::free(state->lineBuffer);
    state->lineBuffer = nullptr;
    capture.bytes.clear();
    setOptionChoice("KXSpeed", "Normal");
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(state->speed, 0u);
    EXPECT_NE(hexBytes(capture.bytes).find("1B 50 1C 78 00 1B 28 55"), std::string::npos);

    std::free(state->lineBuffer);
    state->lineBuffer = nullptr;
    capture.bytes.clear();
    setOptionChoice("KXSpeed", "Default");
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(hexBytes(capture.bytes).find("1C 78"), std::string::npos);
}

TEST_F(PageSetup, ResolutionWithoutAModeFailsSilently)
{
    cups_page_header2_t h = header(240, 180, 24, 200);
    testing::internal::CaptureStderr();
    EXPECT_EQ(setupPage(state, &h), 22);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(capture.bytes.empty());
    EXPECT_EQ(state->lineBuffer, nullptr);
    EXPECT_EQ(setupPage(nullptr, &h), 22);
    EXPECT_EQ(setupPage(state, nullptr), 22);
}

TEST_F(PageSetup, LaterPagesSendOneCarriageReturn)
{
    cups_page_header2_t h = header(180, 180, 24, 200);
    ASSERT_EQ(setupPage(state, &h), 0);
    unsigned char* buffer = state->lineBuffer;
    capture.bytes.clear();
    state->pageCount = 2;
    ASSERT_EQ(setupPage(state, &h), 0);
    EXPECT_EQ(hexBytes(capture.bytes), "0D");
    EXPECT_EQ(state->lineBuffer, buffer);
}

TEST_F(PageSetup, LaterPageOfAnotherGeometryGetsItsOwnBuffer)
{
    cups_page_header2_t first = header(180, 180, 24, 50);
    ASSERT_EQ(setupPage(state, &first), 0);
    EXPECT_EQ(state->lineBytes, 50u);
    state->pageCount = 2;
    capture.bytes.clear();

    // Wider lines, taller bands, another resolution.
    cups_page_header2_t second = header(360, 360, 48, 400);
    ASSERT_EQ(setupPage(state, &second), 0);
    EXPECT_EQ(hexBytes(capture.bytes), "0D");
    EXPECT_EQ(state->printWidthDots, 2880u);
    EXPECT_EQ(state->lineBytes, 360u);
    EXPECT_EQ(state->printHeightLines, 3600u);
    EXPECT_GE(state->bufferCapacity, 48u * 360 + 400);
    EXPECT_EQ(state->bandBuffer, state->lineBuffer + 400);

    // Narrower lines than the first page's printable width: nothing stale.
    cups_page_header2_t third = header(180, 180, 24, 10);
    ASSERT_EQ(setupPage(state, &third), 0);
    EXPECT_EQ(state->lineBytes, 10u);
    EXPECT_EQ(state->printWidthDots, 80u);
    EXPECT_EQ(state->bandBuffer, state->lineBuffer + 10);

    // A geometry without a graphics mode is refused as on a first page.
    capture.bytes.clear();
    cups_page_header2_t bad = header(180, 180, 12, 10);
    EXPECT_EQ(setupPage(state, &bad), 22);
    EXPECT_TRUE(capture.bytes.empty());
}

TEST_F(PageSetup, PageEndReleasesTheColumnBuffer)
{
    state->columnBuffer = static_cast<unsigned char*>(std::malloc(10));
    EXPECT_EQ(endPage(state), 0);
    EXPECT_EQ(state->columnBuffer, nullptr);
    EXPECT_EQ(hexBytes(capture.bytes), "0C");
    EXPECT_EQ(endPage(nullptr), 22);
}
