// writeFormatted puts the printer commands' simple formats together itself
// and leaves every other format to vsnprintf: the bytes must be what
// vsnprintf makes, for every byte value.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "capture_stream.h"
#include "output/output_channel.h"

namespace {

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
