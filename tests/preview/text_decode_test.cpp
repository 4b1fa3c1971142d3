// Text mode read back by the preview: the text, where it lands, how it is
// drawn, and the time on paper the head model gives small streams.
#include <gtest/gtest.h>

#include <string>

#include "decoded.h"
#include "page_image.h"
#include "time_model.h"

using namespace std::string_literals;

namespace {

std::vector<uint8_t> bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

// The job start and text set-up a text job sends, then `body`, a form feed and the job end.
std::vector<uint8_t> textJob(const std::string& setup, const std::string& body)
{
    return bytes("\x1B@\r\x1BP\x1B(U\x01\x00\x0A\x1B(C\x02\x00\xE0\x10"s + setup + body +
                 "\x0C\x1B@\r");
}

} // namespace

TEST(TextDecode, StreamsDecodeBackToTheirTextAtTheirPitchAndSpacing)
{
    const struct {
        const char* name;
        std::string setup; // pitch, spacing, table, margins
        std::string body;  // lines as the text job sends them
        const char* text;  // what the preview reads back
        uint32_t width;    // cell, 1/2160 inch
        uint32_t spacing;  // line, 1/2160 inch
        int64_t margin;    // 1/2160 inch
    } cases[] = {
        {"10 cpi, 6 lpi, PC437", "\x1BP\x1B" "2\x1B(t\x03\x00\x01\x01\x00\x1Bt\x01"s,
         "Gr\x81\xE1" "e\r\n\nfin\r", "Grüße\n\nfin\n", 216, 360, 0},
        {"12 cpi, 8 lpi, PC850, margin 5", "\x1BM\x1B" "0\x1B(t\x03\x00\x01\x03\x00\x1Bt\x01\x1Bl\x05"s,
         "\x9D" "l\r\nma\xA4" "ana\r", "Øl\nmañana\n", 180, 270, 5 * 180},
        {"condensed, ESC 3 n, PC858", "\x1BP\x0F\x1B" "3\x14\x1B(t\x03\x00\x01\x0D\x00\x1Bt\x01"s,
         "12,50 \xD5\r\n\tx\r", "12,50 €\n        x\n", 126, 20 * 12, 0},
        {"15 cpi, PC852, ESC J top", "\x1Bg\x1B(t\x03\x00\x01\x0A\x00\x1Bt\x01\x1BJ\x3C"s,
         "\x9D\xA2\xAB\x9F\r", "\n\nŁóźč\n", 144, 360, 0},
        {"ESC R 0, ESC 6, a table not known", "\x1BR\x00\x1B" "6\x1B(t\x03\x00\x01\x63\x00\x1Bt\x01"s,
         "#@\xC4\r", "#@\xEF\xBF\xBD\n", 216, 360, 0},
        {"ESC 3 0: the second line over the first", "\x1B" "3\x00"s, "ab\r\ncd\r", "cd\n", 216, 0, 0},
    };
    for (const auto& c : cases) {
        const DecodedStream d = decodeBytes(textJob(c.setup, c.body));
        ASSERT_FALSE(d.failed) << c.name << ": " << describeError(d);
        ASSERT_EQ(d.pages.size(), 1u) << c.name;
        EXPECT_EQ(pageText(d.pages[0]), c.text) << c.name;
        const TextChar& last = d.pages[0].chars.back();
        EXPECT_EQ(last.width, c.width) << c.name;
        EXPECT_EQ(last.lineSpacing, c.spacing) << c.name;
        EXPECT_EQ(d.pages[0].chars.front().x, c.margin) << c.name;
    }
}

TEST(TextDecode, CharactersLandInTheirCellsBesideBitImages)
{
    // Two lines of letter quality and draft, a 24-dot band below, an 8-line form.
    const DecodedStream d = decodeBytes(textJob("\x1B" "C\x08\x1Bx\x01"s,
                                                "AB C\r\n\x1Bx\x00" "de\r\n\x1B*\x27\x02\x00\xFF\xFF\xFF\x80\x00\x00\r"s));
    ASSERT_FALSE(d.failed) << describeError(d);
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_EQ(pageLengthUnits(d.pages[0], d.printer), 8 * 360);
    PageImage image;
    ASSERT_EQ(renderPageImage(d.pages[0], d.printer, PreviewOptions{180, 2.0, 11.0}, &image), 0);
    EXPECT_EQ(image.height, 8u * 30); // the form, 8 lines of 1/6 inch
    EXPECT_EQ(image.chars, 6u);
    EXPECT_EQ(image.dots, 25u);
    auto blackIn = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        int n = 0;
        for (int64_t y = y0; y < y1; ++y)
            for (int64_t x = x0; x < x1; ++x)
                n += image.pixels[static_cast<size_t>(y) * image.width + static_cast<size_t>(x)] == 0;
        return n;
    };
    // 10 cpi at 180 dpi: cells 18 pixels wide, lines 30 high; the space stays white.
    const int cells[][2] = {{0, 0}, {1, 0}, {3, 0}, {0, 1}, {1, 1}};
    for (const auto& cell : cells)
        EXPECT_GT(blackIn(cell[0] * 18, cell[1] * 30, cell[0] * 18 + 18, cell[1] * 30 + 30), 10) << cell[0] << "," << cell[1];
    EXPECT_EQ(blackIn(2 * 18, 0, 3 * 18, 30), 0);
    EXPECT_EQ(blackIn(4 * 18, 0, image.width, 60), 0);
    // Letter quality draws more of each dot than draft.
    EXPECT_GT(blackIn(0, 0, 18, 30), blackIn(0, 30, 18, 60));
    EXPECT_EQ(blackIn(0, 60, image.width, image.height), 25); // the band: one pixel a dot
}

TEST(TextDecode, TimeOnPaperFollowsTheHeadModel)
{
    const std::string feed6 = "\n"; // 1/6 inch: 0.015 s + (1/6 in) / (4 in/s)
    const double lf = 0.015 + 1.0 / 6 / 4;
    const struct {
        const char* name;
        int pins;
        std::string body;
        uint32_t baud;
        double seconds;
        uint32_t passes;
        uint32_t feeds;
    } cases[] = {
        // 3 inches of draft at 300 cps and 10 cpi: 30 in/s, and 0.02 s to turn.
        {"draft 10 cpi", 24, std::string(30, 'x') + "\r" + feed6, 0, 3.0 / 30 + 0.02 + lf, 1, 1},
        // Letter quality 12 cpi, 120 cps: 10 in/s over 2 inches; blanks at the ends are skipped.
        {"letter 12 cpi", 24, "\x1Bx\x01\x1BM  " + std::string(24, 'x') + "  \r", 0, 2.0 / 10 + 0.02, 1, 0},
        // 360 columns at 180 dpi: 1800 columns a second, 10 in/s; one way adds the return at 30 in/s.
        {"180 dpi band", 24, "\x1B*\x27\x68\x01"s + std::string(1080, '\x01') + "\r", 0, 0.2 + 0.02, 1, 0},
        {"180 dpi band one way", 24, "\x1BU\x01\x1B*\x27\x68\x01"s + std::string(1080, '\x01') + "\r", 0,
         0.2 + 0.02 + 2.0 / 30, 1, 0},
        // 48 dots at 360 dpi: two passes of 1 inch at 5 in/s.
        {"360 x 360 band", 24, "\x1B*\x49\x68\x01"s + std::string(2160, '\x01') + "\r", 0, 2 * (0.2 + 0.02), 2, 0},
        // 9 pins, 120 dpi: 1440 columns a second, 12 in/s over 2 inches.
        {"9-pin 120 dpi band", 9, "\x1B*\x01\xF0\x00"s + std::string(240, '\x01') + "\r", 0, 2.0 / 12 + 0.02, 1, 0},
        // A form feed after 1 inch on a 6-inch form moves 5 inches.
        {"form feed", 24, "\x1B(C\x02\x00\x70\x08\x1BJ\xB4\x0C"s, 0, 2 * 0.015 + 1.0 / 4 + 5.0 / 4, 0, 2},
        // 960 bytes at 9600 baud take a second, longer than the printer needs.
        {"9600 baud", 24, std::string(957, ' ') + "\x1BJ\x01", 9600, 1.0, 0, 1},
    };
    for (const auto& c : cases) {
        const DecodedStream d = decodeBytes(bytes(c.body), c.pins);
        ASSERT_FALSE(d.failed) << c.name << ": " << describeError(d);
        StreamTime t;
        ASSERT_EQ(estimateTime(d, c.baud, &t), 0);
        EXPECT_NEAR(t.total.seconds, c.seconds, 1e-9) << c.name;
        EXPECT_EQ(t.total.passes, c.passes) << c.name;
        EXPECT_EQ(t.total.feeds, c.feeds) << c.name;
    }
}
