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
#include "filter/status_lines.h"

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
        EXPECT_TRUE(writeFormatted(&out, "%c%s", v, "J"));
        EXPECT_TRUE(writeFormatted(&out, "%c%c%c%c", 0x1B, 'C', 0, v));
        EXPECT_TRUE(writeFormatted(&out, "100%% %c%s%c", v, "(U", v));
        EXPECT_TRUE(writeFormatted(&out, "%c %d %02X", v, v, v)); // not one of the simple formats
        expected += text(false, "%c%s", v, "J") + text(false, "%c%c%c%c", 0x1B, 'C', 0, v) +
                    text(false, "100%% %c%s%c", v, "(U", v) + text(false, "%c %d %02X", v, v, v);
    }
    EXPECT_EQ(std::string(capture.bytes.begin(), capture.bytes.end()), expected);
    // Texts of 255 characters fit; longer ones fail; an empty one sends nothing.
    capture.bytes.clear();
    const std::string fits(255, 'x');
    EXPECT_TRUE(writeFormatted(&out, "%s", fits.c_str()));
    EXPECT_FALSE(writeFormatted(&out, "%s", (fits + "x").c_str()));
    EXPECT_FALSE(writeFormatted(&out, "%c%s", 27, fits.c_str()));
    EXPECT_TRUE(writeFormatted(&out, "%s", ""));
    EXPECT_EQ(capture.bytes.size(), 255u);
    EXPECT_FALSE(writeFormatted(&out, nullptr));
    EXPECT_FALSE(writeAll(&out, nullptr, 3));
    EXPECT_FALSE(writeAll(&out, "x", 0));
    capture.acceptPerWrite = 1; // a stream that takes part of a write gets three tries
    EXPECT_TRUE(writeAll(&out, "abc", 3));
    EXPECT_FALSE(writeAll(&out, "abcd", 4));
    capture.failAfterWrites = 0;
    EXPECT_FALSE(writeFormatted(&out, "%c", 13));
}

TEST(FormatSimple, NumbersAsPrintfWritesThemAndOtherFormatsAreLeftToIt)
{
    for (int value : {0, 1, -1, 7, 9, 10, 99, 100, 101, 12345, -987, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        EXPECT_EQ(text(true, "PAGE: %d %d\n", value, 1), text(false, "PAGE: %d %d\n", value, 1)) << value;
        EXPECT_EQ(text(true, "Printing page %d, %d%% complete...", 3, value),
                  text(false, "Printing page %d, %d%% complete...", 3, value))
            << value;
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
    EXPECT_TRUE(writeAll(&out, "abc", 3)); // buffered
    EXPECT_FALSE(flushOutput(&out));
    EXPECT_FALSE(writeAll(&out, "d", 1)); // a failed device takes nothing more
    EXPECT_FALSE(flushOutput(&out));
    close(full);
}

TEST(StatusLines, EveryReportAsTheSpoolerReadsItOneWriteEach)
{
    const std::string longText(600, 'x');
    const struct {
        JobReport report;
        std::string line;
    } cases[] = {
        {{ReportKind::PageStarted, ReportLevel::Info, 3, 2, nullptr}, "PAGE: 3 2\n"},
        {{ReportKind::Progress, ReportLevel::Info, 12, 99, nullptr}, "INFO: Printing page 12, 99% complete...\n"},
        {{ReportKind::JobEnded, ReportLevel::Info, 0, 0, nullptr}, "INFO: Ready to print.\n"},
        {{ReportKind::NoPages, ReportLevel::Warning, 0, 0, nullptr}, "WARNING: No pages found!\n"},
        {{ReportKind::OutputFailed, ReportLevel::Error, 0, 0, nullptr}, "ERROR: Print data output error.\n"},
        {{ReportKind::UnusablePage, ReportLevel::Error, 1, 0, nullptr}, "ERROR: CUPS data format error.\n"},
        {{ReportKind::IllegalResolution, ReportLevel::Error, 0, 0, nullptr}, "ERROR: Illegal Resolution.\n"},
        {{ReportKind::OutOfMemory, ReportLevel::Error, 1, ENOMEM, nullptr}, "ERROR: Cannot allocate memory\n"},
        {{ReportKind::Message, ReportLevel::Warning, 0, 0, "Ignoring x."}, "WARNING: Ignoring x.\n"},
        // Cut where a 512-byte line buffer ends, the newline with it.
        {{ReportKind::Message, ReportLevel::Error, 0, 0, longText.c_str()}, "ERROR: " + longText.substr(0, 504)},
    };
    int fds[2]; // a pipe: a line written over and over would fill it and hang the test
    ASSERT_EQ(pipe(fds), 0);
    const ReportSink lines = fdStatusLines(fds[1]);
    std::string expected;
    for (const auto& c : cases) {
        lines.report(lines.context, &c.report);
        expected += c.line;
    }
    close(fds[1]);
    std::string written;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        written.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    EXPECT_EQ(written, expected);
    // Each report at its kind's level.
    for (const auto& c : cases)
        EXPECT_TRUE(c.report.kind == ReportKind::Message || reportLevel(c.report.kind) == c.report.level) << c.line;
}
