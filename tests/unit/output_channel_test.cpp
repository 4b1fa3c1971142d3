// The printer data channel and the status lines: partial and failing
// streams, the buffered writer on a descriptor, and the formats put
// together without printf, which must make exactly what printf makes.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "capture_stream.h"
#include "output/output_channel.h"
#include "output/simple_format.h"
#include "output/status_messages.h"
#include "test_files.h"

namespace {

std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string printed(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::string(text, static_cast<size_t>(length));
}

std::string simple(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string simple(const char* format, ...)
{
    char text[64];
    va_list args;
    va_start(args, format);
    const int length = formatSimple(text, sizeof text, format, args);
    va_end(args);
    return length < 0 ? "(not simple)" : std::string(text, static_cast<size_t>(length));
}

} // namespace

TEST(WriteFormatted, MakesTheBytesPrintfMakesAndReportsFailure)
{
    CaptureStream capture;
    const OutputStream out = captureStream(&capture);
    std::string expected;
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(writeFormatted(&out, "%c%s", v, "J"), 0);
        EXPECT_EQ(writeFormatted(&out, "%c%c%c%c", 0x1B, 'C', 0, v), 0);
        EXPECT_EQ(writeFormatted(&out, "100%% %c%s%c", v, "(U", v), 0);
        EXPECT_EQ(writeFormatted(&out, "%c %d %02X", v, v, v), 0); // not one of the simple formats
        expected += printed("%c%s", v, "J") + printed("%c%c%c%c", 0x1B, 'C', 0, v) +
                    printed("100%% %c%s%c", v, "(U", v) + printed("%c %d %02X", v, v, v);
    }
    EXPECT_EQ(std::string(capture.bytes.begin(), capture.bytes.end()), expected);
    // Texts of 255 characters fit; longer ones fail; an empty one sends nothing.
    capture.bytes.clear();
    const std::string fits(255, 'x');
    EXPECT_EQ(writeFormatted(&out, "%s", fits.c_str()), 0);
    EXPECT_EQ(writeFormatted(&out, "%s", (fits + "x").c_str()), 1);
    EXPECT_EQ(writeFormatted(&out, "%c%s", 27, fits.c_str()), 1);
    EXPECT_EQ(writeFormatted(&out, "%s", ""), 0);
    EXPECT_EQ(capture.bytes.size(), 255u);
    EXPECT_EQ(writeFormatted(&out, nullptr), 22);
    EXPECT_EQ(writeAll(&out, nullptr, 3), 22);
    EXPECT_EQ(writeAll(&out, "x", 0), 22);
    capture.failAfterWrites = 0;
    EXPECT_EQ(writeFormatted(&out, "%c", 13), 1);
}

TEST(FormatSimple, NumbersAsPrintfWritesThemAndOtherFormatsAreLeftToIt)
{
    for (int value : {0, 1, -1, 7, 9, 10, 99, 100, 101, 12345, -987, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        EXPECT_EQ(simple(kPageLine, value, 1), printed(kPageLine, value, 1)) << value;
        EXPECT_EQ(simple(kProgressLine, 3, value), printed(kProgressLine, 3, value)) << value;
        const int other = value == INT_MIN ? INT_MAX : -value;
        EXPECT_EQ(simple("%d%d", value, other), printed("%d%d", value, other)) << value;
    }
    EXPECT_EQ(simple("%5d", 3), "(not simple)");
    EXPECT_EQ(simple("%ld", 3L), "(not simple)");
}

TEST(FdWriter, BuffersUntilFlushAndStaysFailedOnAFullDevice)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    static FdWriter writer; // a quarter megabyte: not on the stack
    initFdWriter(&writer, fds[1]);
    const OutputStream out = fdWriterStream(&writer);
    EXPECT_EQ(writeAll(&out, "abc", 3), 0);
    EXPECT_EQ(flushOutput(&out), 0);
    char got[4] = {};
    ASSERT_EQ(read(fds[0], got, 3), 3);
    EXPECT_STREQ(got, "abc");
    close(fds[0]);
    close(fds[1]);

    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    initFdWriter(&writer, full);
    EXPECT_EQ(writeAll(&out, "abc", 3), 0); // buffered
    EXPECT_EQ(flushOutput(&out), 1);
    EXPECT_EQ(writeAll(&out, "d", 1), 1); // a failed device takes nothing more
    EXPECT_EQ(flushOutput(&out), 1);
    close(full);
}

TEST(StatusLine, WholeLinesToTheSinkOrADescriptor)
{
    TempDir dir;
    const int fd = open(dir.file("status").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string kept;
    for (const StatusSink& sink : {fdStatusSink(fd), captureSink(&kept)}) {
        statusLine(&sink, kPageLine, 12, 1);
        statusLine(&sink, kProgressLine, 12, 99);
        statusLine(&sink, kUsageLine, "rastertoimpact");
        statusLine(&sink, "%s %5d\n", "padded", 42); // not a simple format
        errno = ENOSPC;
        statusError(&sink, kAllocationPrefix);
    }
    close(fd);
    const std::string want = "PAGE: 12 1\nINFO: Printing page 12, 99% complete...\n"
                             "Usage: rastertoimpact job-id user title copies options [file]\n"
                             "padded    42\nERROR: No space left on device\n";
    EXPECT_EQ(readText(dir.file("status")), want);
    EXPECT_EQ(kept, want);
}
