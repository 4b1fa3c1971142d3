// writeFormatted and statusLine put the printer commands' and the status
// lines' simple formats together themselves and leave every other format
// to vsnprintf: the bytes must be what vsnprintf makes, for every value.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "capture_stream.h"
#include "output/output_channel.h"
#include "output/simple_format.h"
#include "output/status_messages.h"

namespace {

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

std::string printedText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string printedText(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::string(text, static_cast<size_t>(length));
}

std::vector<unsigned char> printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::vector<unsigned char> printed(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::vector<unsigned char>(text, text + length);
}

} // namespace

TEST(WriteFormatted, MakesTheBytesPrintfMakes)
{
    for (int value = 0; value < 256; ++value) {
        CaptureStream capture;
        captureBegin(&capture);
        EXPECT_EQ(writeFormatted("%c", value), 0);
        EXPECT_EQ(writeFormatted("%c%s", value, "J"), 0);
        EXPECT_EQ(writeFormatted("%c%c%c%c", 0x1B, 'C', 0, value), 0);
        EXPECT_EQ(writeFormatted("100%% %c%s%c", value, "(U", value), 0);
        EXPECT_EQ(writeFormatted("%c %d %02X", value, value, value), 0); // not one of the simple ones
        captureEnd(&capture);

        std::vector<unsigned char> expected;
        for (const auto& part : {printed("%c", value), printed("%c%s", value, "J"),
                                 printed("%c%c%c%c", 0x1B, 'C', 0, value), printed("100%% %c%s%c", value, "(U", value),
                                 printed("%c %d %02X", value, value, value)})
            expected.insert(expected.end(), part.begin(), part.end());
        ASSERT_EQ(hexBytes(capture.bytes), hexBytes(expected)) << value;
    }
}

TEST(WriteFormatted, TextsThatDoNotFitStillFail)
{
    const std::string fits(255, 'x');
    const std::string tooLong(256, 'x');
    CaptureStream capture;
    captureBegin(&capture);
    EXPECT_EQ(writeFormatted("%s", fits.c_str()), 0);
    EXPECT_EQ(writeFormatted("%s", tooLong.c_str()), 1);
    EXPECT_EQ(writeFormatted("%c%s", 27, fits.c_str()), 1);
    EXPECT_EQ(writeFormatted("%s", ""), 0); // nothing to send
    captureEnd(&capture);
    EXPECT_EQ(capture.bytes.size(), fits.size());
}

TEST(FormatSimple, NumbersAsPrintfWritesThem)
{
    for (int value : {0, 1, -1, 7, 9, 10, 99, 100, 101, 12345, -987, 1000000, INT_MAX, INT_MIN, INT_MIN + 1}) {
        EXPECT_EQ(simple(kPageLine, value, 1), printedText(kPageLine, value, 1)) << value;
        EXPECT_EQ(simple(kProgressLine, 3, value), printedText(kProgressLine, 3, value)) << value;
        const int other = value == INT_MIN ? INT_MAX : -value;
        EXPECT_EQ(simple("%d%d", value, other), printedText("%d%d", value, other)) << value;
    }
    // Widths and lengths are left to vsnprintf.
    EXPECT_EQ(simple("%d", INT_MIN), "-2147483648");
    EXPECT_EQ(simple("%5d", 3), "(not simple)");
    EXPECT_EQ(simple("%ld", 3L), "(not simple)");
}

TEST(StatusLine, WritesWholeLinesToStandardError)
{
    char path[] = "/tmp/impact-status-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(dup2(file, STDERR_FILENO), STDERR_FILENO);
    statusLine(kPageLine, 12, 1);
    statusLine(kProgressLine, 12, 0);
    statusLine(kProgressLine, 12, 99);
    statusLine(kUsageLine, "rastertoimpact");
    statusLine("%s %5d\n", "padded", 42); // not a simple format
    statusLine(kReadyLine);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);

    std::string written;
    char buffer[1024];
    ssize_t n;
    lseek(file, 0, SEEK_SET);
    while ((n = read(file, buffer, sizeof buffer)) > 0)
        written.append(buffer, static_cast<size_t>(n));
    close(file);
    unlink(path);
    EXPECT_EQ(written, "PAGE: 12 1\n"
                       "INFO: Printing page 12, 0% complete...\n"
                       "INFO: Printing page 12, 99% complete...\n"
                       "Usage: rastertoimpact job-id user title copies options [file]\n"
                       "padded    42\n"
                       "INFO: Ready to print.\n");
}
