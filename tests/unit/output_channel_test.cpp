#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "capture_stream.h"
#include "output/output_channel.h"
#include "printer/job_start.h"
#include "printer/page_end.h"
#include "settings/option_table.h"

TEST(WriteAll, NullOrEmptyIsRefusedWithoutWriting)
{
    CaptureStream capture;
    captureBegin(&capture);
    const unsigned char byte = 1;
    EXPECT_EQ(writeAll(nullptr, 3), 22);
    EXPECT_EQ(writeAll(&byte, 0), 22);
    captureEnd(&capture);
    EXPECT_EQ(capture.writeCalls, 0u);
}

TEST(WriteAll, PartialStreamGetsAtMostThreeWrites)
{
    const unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    CaptureStream capture;
    capture.acceptPerWrite = 3;
    captureBegin(&capture);
    StatusCode status = writeAll(data, 10);
    captureEnd(&capture);
    EXPECT_EQ(status, 1); // one byte left after three writes
    EXPECT_EQ(capture.writeCalls, 3u);
    EXPECT_EQ(hexBytes(capture.bytes), "00 01 02 03 04 05 06 07 08");

    CaptureStream enough;
    enough.acceptPerWrite = 4;
    captureBegin(&enough);
    status = writeAll(data, 10);
    captureEnd(&enough);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(enough.writeCalls, 3u);
    EXPECT_EQ(enough.bytes.size(), 10u);
}

TEST(WriteFormatted, WritesTheFormattedBytesAndReportsFailure)
{
    CaptureStream capture;
    captureBegin(&capture);
    EXPECT_EQ(writeFormatted("%c%s", 27, "(C"), 0);
    EXPECT_EQ(writeFormatted("%c%c%c%c", 0x0D, 0x1B, 0x19, 'C'), 0);
    EXPECT_EQ(writeFormatted(nullptr), 22);
    captureEnd(&capture);
    EXPECT_EQ(hexBytes(capture.bytes), "1B 28 43 0D 1B 19 43");

    CaptureStream failing;
    failing.failAfterWrites = 0;
    captureBegin(&failing);
    EXPECT_EQ(writeFormatted("%c", 13), 1);
    captureEnd(&failing);
}

TEST(CommandSequenceFailures, FirstWriteFailsTheRestIsStillSentAndReportedOnce)
{
    clearOptions();
    setOptionChoice("KXTopMP", "Driver");
    CaptureStream capture;
    capture.failAfterWrites = 0; // everything fails
    captureBegin(&capture);
    PageMetrics metrics = {3600, 0, 3600};
    testing::internal::CaptureStderr();
    StatusCode status = sendJobStart(&metrics, 3600, 360, -1, 0);
    std::string err = testing::internal::GetCapturedStderr();
    captureEnd(&capture);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "ERROR: Print data output error.\n");
    // Every command is still tried: the four formatted command letters once
    // each, the CR and the three argument blocks three times each.
    EXPECT_EQ(capture.writeCalls, 4u * 1 + 4u * 3 + 1u);

    // Only the first write fails: the sequence still goes out whole after it.
    CaptureStream firstFails;
    firstFails.failAfterWrites = SIZE_MAX;
    firstFails.acceptPerWrite = SIZE_MAX;
    captureBegin(&firstFails);
    // A stream whose first call takes nothing: writeFormatted fails at once.
    firstFails.writeCalls = 0;
    struct Once {
        static size_t write(void* ctx, const unsigned char* b, size_t n)
        {
            auto* c = static_cast<CaptureStream*>(ctx);
            if (c->writeCalls++ == 0)
                return 0;
            c->bytes.insert(c->bytes.end(), b, b + n);
            return n;
        }
    };
    OutputStream once{Once::write, nullptr, &firstFails};
    setOutputStream(&once);
    testing::internal::CaptureStderr();
    status = sendJobStart(&metrics, 3600, 360, -1, 0);
    err = testing::internal::GetCapturedStderr();
    captureEnd(&firstFails);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "ERROR: Print data output error.\n");
    EXPECT_EQ(hexBytes(firstFails.bytes),
              "0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 68 01 1B 28 63 04 00 00 00 68 01");
    clearOptions();
}

TEST(FdWriter, BuffersUntilFlushAndFailsOnAFullDevice)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    static FdWriter writer;
    initFdWriter(&writer, pipeFds[1]);
    OutputStream stream = fdWriterStream(&writer);
    const OutputStream* previous = setOutputStream(&stream);
    EXPECT_EQ(writeAll("abc", 3), 0);
    EXPECT_EQ(flushOutput(), 0);
    setOutputStream(previous);
    char got[4] = {};
    ASSERT_EQ(read(pipeFds[0], got, 3), 3);
    EXPECT_STREQ(got, "abc");
    close(pipeFds[0]);
    close(pipeFds[1]);

    int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    initFdWriter(&writer, full);
    previous = setOutputStream(&stream);
    EXPECT_EQ(writeAll("abc", 3), 0); // buffered
    EXPECT_EQ(flushOutput(), 1);
    EXPECT_EQ(writeAll("d", 1), 1); // a failed device takes nothing more
    setOutputStream(previous);
    close(full);
}
