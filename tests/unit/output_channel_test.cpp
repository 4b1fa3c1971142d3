// The printer data channel and status lines: partial and failing streams, a full device, and
// formats made without printf exactly as printf makes them.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "capture_stream.h"
#include "engine/output/output_channel.h"
#include "engine/output/simple_format.h"
#include "engine/output/status_messages.h"

using namespace impact;

namespace {

// The text printf makes, or (simple) formatSimple makes.
__attribute__((format(printf, 2, 3))) std::string text(bool simple, const char* format, ...)
{
    char out[512];
    va_list args;
    va_start(args, format);
    const int length = simple ? formatSimple(out, 64, format, args) : std::vsnprintf(out, sizeof out, format, args);
    va_end(args);
    return length < 0 ? "(not simple)" : std::string(out, static_cast<size_t>(length));
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
        expected += text(false, "%c%s", v, "J") + text(false, "%c%c%c%c", 0x1B, 'C', 0, v) +
                    text(false, "100%% %c%s%c", v, "(U", v) + text(false, "%c %d %02X", v, v, v);
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
    capture.acceptPerWrite = 1; // a stream that takes part of a write gets three tries
    EXPECT_EQ(writeAll(&out, "abc", 3), 0);
    EXPECT_EQ(writeAll(&out, "abcd", 4), 1);
    capture.failAfterWrites = 0;
    EXPECT_EQ(writeFormatted(&out, "%c", 13), 1);
}

TEST(FormatSimple, NumbersAsPrintfWritesThemAndOtherFormatsAreLeftToIt)
{
    for (int value : {0, 1, -1, 7, 9, 10, 99, 100, 101, 12345, -987, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        EXPECT_EQ(text(true, kPageLine, value, 1), text(false, kPageLine, value, 1)) << value;
        EXPECT_EQ(text(true, kProgressLine, 3, value), text(false, kProgressLine, 3, value)) << value;
        const int other = value == INT_MIN ? INT_MAX : -value;
        EXPECT_EQ(text(true, "%d%d", value, other), text(false, "%d%d", value, other)) << value;
    }
    EXPECT_EQ(text(true, "%5d", 3), "(not simple)");
    EXPECT_EQ(text(true, "%ld", 3L), "(not simple)");
}

TEST(FdWriter, BuffersUntilFlushAndStaysFailedOnAFullDevice)
{
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    static FdWriter writer; // a quarter megabyte: not on the stack
    initFdWriter(&writer, full);
    const OutputStream out = fdWriterStream(&writer);
    EXPECT_EQ(writeAll(&out, "abc", 3), 0); // buffered
    EXPECT_EQ(flushOutput(&out), 1);
    EXPECT_EQ(writeAll(&out, "d", 1), 1); // a failed device takes nothing more
    EXPECT_EQ(flushOutput(&out), 1);
    close(full);
}

TEST(StatusLine, WholeLinesToADescriptorOnceEachWhateverErrnoHeld)
{
    int fds[2]; // a pipe: a line written over and over would fill it and hang the test
    ASSERT_EQ(pipe(fds), 0);
    const StatusSink sink = fdStatusSink(fds[1]);
    errno = EINTR; // left by an earlier interrupted call
    statusLine(&sink, kProgressLine, 12, 99);
    statusLine(&sink, "%s %5d\n", "padded", 42); // not a simple format
    errno = ENOSPC;
    statusError(&sink, kAllocationPrefix);
    close(fds[1]);
    char text[256] = {};
    ASSERT_GT(read(fds[0], text, sizeof text - 1), 0);
    close(fds[0]);
    EXPECT_STREQ(text, "INFO: Printing page 12, 99% complete...\npadded    42\nERROR: No space left on device\n");
    // A closed descriptor or a sink without a line function takes the line
    // and nothing happens.
    for (const StatusSink& nowhere : {fdStatusSink(fds[1]), StatusSink{nullptr, nullptr}})
        statusLine(&nowhere, kProgressLine, 1, 0);
}
