// A job pushed line by line, as the printer application drives it, against the same job read
// from a raster stream; and a job cancelled at every point where the engine asks its host.
#include <gtest/gtest.h>

#include <cstring>

#include "cancel_check.h"
#include "capture_stream.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"
#include "engine/job/page_loop.h"
#include "test_files.h"

using namespace impact;

namespace {

std::vector<RasterPage> twoPages()
{
    RasterPage first = withDots(page180(300), {{0, 0}, {0, 30}, {7, 31}, {1439, 140}, {5, 290}});
    RasterPage second = withDots(page180(100), {{100, 10}, {101, 99}});
    second.header.NumCopies = 2;
    return {first, second};
}

// The default PPD's job as a host without a PPD sets it up.
void configureLetter(JobState* state)
{
    JobSettings settings{};
    settings.printerClass = impact::PrinterClass::TwentyFourPin;
    settings.page = {612, 792, 18, 36, 594, 756};
    ASSERT_EQ(configureJob(state, &settings), JobResult::Success);
}

void pushPages(JobState* state, const std::vector<RasterPage>& pages)
{
    for (const RasterPage& page : pages) {
        ASSERT_EQ(startPage(state, &page.header), JobResult::Success);
        for (uint32_t y = 0; y < page.header.cupsHeight + 3; ++y) // lines past the height are ignored
            ASSERT_EQ(pushLine(state, page.bits.data() + size_t{y % page.header.cupsHeight} * 180), JobResult::Success);
        ASSERT_EQ(finishPage(state), JobResult::Success);
    }
}

// A job its host cancels at its n-th question, with bit-image bytes owed.
struct CancelAt : TestJob {
    int question, asked = 0; uint32_t owed;
    explicit CancelAt(int n, uint32_t owedBytes = 0) : question(n), owed(owedBytes)
    {
        state.host.context = this;
        state.host.cancelRequested = [](void* context, uint32_t* pendingBytes) {
            auto* c = static_cast<CancelAt*>(context);
            *pendingBytes = c->owed;
            return ++c->asked >= c->question;
        };
    }
};

// The page as 8-bit darkness: 255 where it has a dot.
RasterPage grayOf(const RasterPage& page)
{
    RasterPage gray = page;
    const cups_page_header2_t& h = page.header;
    gray.header.cupsBitsPerColor = gray.header.cupsBitsPerPixel = 8;
    gray.header.cupsBytesPerLine = h.cupsWidth;
    gray.bits.assign(size_t{h.cupsWidth} * h.cupsHeight, 0);
    for (uint32_t y = 0; y < h.cupsHeight; ++y)
        for (uint32_t x = 0; x < h.cupsWidth; ++x)
            if (page.bits[size_t{y} * h.cupsBytesPerLine + x / 8] & (0x80 >> (x % 8)))
                gray.bits[size_t{y} * h.cupsWidth + x] = 255;
    return gray;
}

void ditherHalf(void*, const unsigned char* gray, uint32_t width, uint32_t, unsigned char* dots)
{
    std::memset(dots, 0, (width + 7) / 8);
    for (uint32_t x = 0; x < width; ++x)
        if (gray[x] > 127)
            dots[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
}

// Prints the 8-bit raster in memory on a Letter job through ditherHalf;
// true when the stream ended inside a page.
bool printGrayRaster(TestJob* job, const unsigned char* bytes, size_t size)
{
    configureLetter(&job->state);
    MemoryRaster memory{bytes, size, 0};
    RasterSource source = memoryRasterSource(&memory);
    cups_raster_t* raster = cupsRasterOpenIO(source.read, source.context, CUPS_RASTER_READ);
    GrayPages dither{ditherHalf, nullptr};
    EXPECT_EQ(printRasterPages(&job->state, raster, nullptr, &dither), JobResult::Success);
    cupsRasterClose(raster);
    return dither.cutShort;
}

} // namespace

TEST(JobFlow, PushedLinesPrintWhatTheRasterReaderPrints)
{
    TempDir dir;
    TestJob read;
    ASSERT_EQ(runTestJob(&read, "", writePpd(dir), rasterBytes(twoPages())), JobResult::Success) << read.status;
    TestJob pushed;
    configureLetter(&pushed.state);
    pushPages(&pushed.state, twoPages());
    EXPECT_EQ(finishJob(&pushed.state), JobResult::Success);
    EXPECT_EQ(pushed.hex(), read.hex());
    EXPECT_EQ(pushed.status, read.status);
    // A job that is over sends nothing more, cancelled or not.
    EXPECT_EQ(startPage(&pushed.state, &twoPages()[0].header), JobResult::Success);
    cancelJob(&pushed.state);
    EXPECT_EQ(pushed.hex(), read.hex());
}

TEST(JobFlow, AFailedPageEndsTheJobOnPaperAndNothingFollows)
{
    TestJob job;
    configureLetter(&job.state);
    RasterPage grey = page180(24);
    grey.header.cupsColorSpace = CUPS_CSPACE_W;
    EXPECT_EQ(startPage(&job.state, &grey.header), JobResult::BadData);
    EXPECT_EQ(job.status, "PAGE: 1 1\nERROR: CUPS data format error.\nINFO: Ready to print.\n");
    EXPECT_EQ(pushLine(&job.state, grey.bits.data()), JobResult::BadData);
    EXPECT_EQ(finishPage(&job.state), JobResult::BadData);
    EXPECT_EQ(finishJob(&job.state), JobResult::BadData);
    EXPECT_EQ(job.hex(), "0C " + kJobEnd);
}

TEST(JobFlow, GrayPagesPrintAsTheirDotsAndOneCutShortEndsAsACancel)
{
    const std::vector<RasterPage> pages = twoPages();
    TestJob pushed;
    configureLetter(&pushed.state);
    pushPages(&pushed.state, pages);
    ASSERT_EQ(finishJob(&pushed.state), JobResult::Success);
    const std::vector<unsigned char> gray = rasterBytes({grayOf(pages[0]), grayOf(pages[1])}, false);
    // Every line through the host's dither, as the 1-bit lines print.
    {
        TestJob job;
        EXPECT_FALSE(printGrayRaster(&job, gray.data(), gray.size()));
        EXPECT_EQ(job.hex(), pushed.hex());
        EXPECT_EQ(job.status, pushed.status);
    }
    // The stream ends after 40 lines of the first page: the page and the job
    // end on paper as when the job is cancelled there.
    TestJob cancelled;
    configureLetter(&cancelled.state);
    ASSERT_EQ(startPage(&cancelled.state, &pages[0].header), JobResult::Success);
    for (uint32_t y = 0; y < 40; ++y)
        ASSERT_EQ(pushLine(&cancelled.state, pages[0].bits.data() + y * 180), JobResult::Success);
    cancelJob(&cancelled.state);
    const size_t cut = 4 + sizeof(cups_page_header2_t) + 40 * size_t{pages[0].header.cupsWidth} + 100;
    TestJob job;
    EXPECT_TRUE(printGrayRaster(&job, gray.data(), cut));
    EXPECT_EQ(job.hex(), cancelled.hex());
}

TEST(JobCancel, AtEveryQuestionTheJobEndsCleanlyOnPaper)
{
    TempDir dir;
    const std::string ppd = writePpd(dir);
    const std::vector<unsigned char> raster = rasterBytes(twoPages());
    CancelExpectation expect = {{}, {0x0C}, {0x1B, 0x40, 0x0D}, {}};
    printerClassForPins(24, &expect.printer);
    CancelAt never(INT32_MAX);
    ASSERT_EQ(runTestJob(&never, "", ppd, raster), JobResult::Success);
    expect.reference = never.out.bytes;
    ASSERT_GT(never.asked, 300);
    for (int question = 1; question <= never.asked; ++question) {
        CancelAt job(question);
        EXPECT_EQ(runTestJob(&job, "", ppd, raster), JobResult::Success);
        if (question == never.asked) {
            // Asked after the last page: the job has printed; only its end is left.
            EXPECT_EQ(job.out.bytes, expect.reference);
            break;
        }
        const CancelVerdict verdict = judgeCancelledJob(expect, job.out.bytes, 0, 0,
                                                        job.status.find("Ready to print") != std::string::npos);
        ASSERT_EQ(verdict.outcome, CancelOutcome::Cancelled) << "question " << question << ": " << verdict.why;
        EXPECT_EQ(job.asked, question) << "asked again after the cancel";
    }
    // Bit-image bytes in flight are completed with NULs before the 16.
    CancelAt owing(5, 6);
    EXPECT_EQ(runTestJob(&owing, "", ppd, raster), JobResult::Success);
    EXPECT_EQ(owing.hex().substr(owing.hex().size() - 3 * 26 + 1), hexBytes(std::vector<unsigned char>(22, 0)) + " 0C " + kJobEnd);
}

TEST(JobCancel, CancelJobInAPageAndBetweenPages)
{
    const std::vector<RasterPage> pages = twoPages();
    TestJob inPage;
    configureLetter(&inPage.state);
    ASSERT_EQ(startPage(&inPage.state, &pages[0].header), JobResult::Success);
    for (uint32_t y = 0; y < 40; ++y)
        ASSERT_EQ(pushLine(&inPage.state, pages[0].bits.data() + y * 180), JobResult::Success);
    const size_t before = inPage.out.bytes.size();
    cancelJob(&inPage.state); // and nothing after it sends a byte
    EXPECT_EQ(pushLine(&inPage.state, pages[0].bits.data()), JobResult::Success);
    EXPECT_EQ(finishPage(&inPage.state), JobResult::Success);
    EXPECT_EQ(finishJob(&inPage.state), JobResult::Success);
    EXPECT_EQ(inPage.hex().substr(3 * before), hexBytes(std::vector<unsigned char>(16, 0)) + " 0C " + kJobEnd);
    EXPECT_EQ(inPage.status.find("Ready to print"), std::string::npos);

    TestJob between;
    configureLetter(&between.state);
    pushPages(&between.state, {pages[0]});
    const std::string printed = between.hex();
    cancelJob(&between.state);
    EXPECT_EQ(startPage(&between.state, &pages[1].header), JobResult::Success);
    EXPECT_EQ(finishJob(&between.state), JobResult::Success);
    EXPECT_EQ(between.hex(), printed + " " + kJobEnd); // only the job end
}
