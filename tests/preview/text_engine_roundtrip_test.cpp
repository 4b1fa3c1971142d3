// The engine's text jobs read back by the preview: the text each setting
// prints, its pitch, line spacing, margins and forms as the printer takes them.
#include <gtest/gtest.h>

#include <string>

#include "capture_stream.h"
#include "test_pages.h"
#include "decoded.h"
#include "engine/text/text_job.h"

namespace {

std::string numberedLines(int from, int to)
{
    std::string text;
    for (int i = from; i <= to; ++i)
        text += std::to_string(i) + "\n";
    return text;
}

} // namespace

TEST(TextEngineRoundTrip, EachSettingReadsBackAsItsTextInItsCells)
{
    using impact::CharTable;
    using impact::LineSpacing;
    using impact::TextPitch;
    const struct {
        const char* name;
        int model; // 0: 9 pins, 1: 24 pins
        float length; // form, points
        TextPitch pitch;
        LineSpacing spacing;
        CharTable table;
        float left, top; // offsets, points
        std::string input;
        std::string text; // read back, a form feed between forms
        uint32_t width, lineSpacing;
        int64_t x, y; // of the first character, 1/2160 inch
    } cases[] = {
        {"24-pin 10 cpi 6 lpi PC437", 1, 432, TextPitch::Cpi10, LineSpacing::Lpi6, CharTable::Pc437, 0, 0,
         "Grüße\n\n\tfin\n", "Grüße\n\n        fin\n", 216, 360, 0, 0},
        {"9-pin 12 cpi 8 lpi PC850, half an inch in", 0, 432, TextPitch::Cpi12, LineSpacing::Lpi8, CharTable::Pc850, 36, 0,
         "Øl\r\nmañana\r\n", "Øl\nmañana\n", 180, 270, 6 * 180, 0},
        {"24-pin condensed PC858, a line down", 1, 432, TextPitch::Cpi17, LineSpacing::Lpi6, CharTable::Pc858, 0, 12,
         "12,50 €\n", "\n12,50 €\n", 126, 360, 0, 360},
        {"24-pin 15 cpi PC852", 1, 432, TextPitch::Cpi15, LineSpacing::Lpi6, CharTable::Pc852, 0, 0,
         "Łódź Żółć\n", "Łódź Żółć\n", 144, 360, 0, 0},
        {"40 lines on 6-inch forms of 36", 1, 432, TextPitch::Cpi10, LineSpacing::Lpi6, CharTable::Pc437, 0, 0,
         numberedLines(1, 40), numberedLines(1, 36) + "\f" + numberedLines(37, 40), 216, 360, 0, 0},
        {"a form feed and a line wrapped at 82 columns", 1, 792, TextPitch::Cpi10, LineSpacing::Lpi6, CharTable::Pc437, 0, 0,
         "a\fb" + std::string(89, 'x') + "\n", "a\n\fb" + std::string(81, 'x') + "\n" + std::string(8, 'x') + "\n", 216,
         360, 0, 0},
    };
    for (const auto& c : cases) {
        TestJob job;
        impact::JobSettings config{};
        config.printerClass = c.model == 0 ? impact::PrinterClass::NinePin : impact::PrinterClass::TwentyFourPin;
        config.page = pageOf(612, c.length);
        ASSERT_EQ(impact::configureJob(&job.state, &config), impact::JobResult::Success) << c.name;
        impact::TextSettings settings;
        settings.pitch = c.pitch;
        settings.spacing = c.spacing;
        settings.table = c.table;
        settings.leftPoints = c.left;
        settings.topPoints = c.top;
        impact::TextJob text;
        impact::startTextJob(&text, &job.state, &settings);
        impact::writeText(&text, reinterpret_cast<const unsigned char*>(c.input.data()), c.input.size());
        ASSERT_EQ(impact::finishTextJob(&text), impact::JobResult::Success) << c.name << ": " << job.status;

        const DecodedStream d = decodeBytes(job.out.bytes, c.model == 0 ? 9 : 24);
        ASSERT_FALSE(d.failed) << c.name << ": " << describeError(d);
        EXPECT_TRUE(d.jobEnd) << c.name;
        std::string readBack;
        for (const Page& page : d.pages) {
            readBack += (&page == &d.pages.front() ? "" : "\f") + pageText(page);
            EXPECT_EQ(pageLengthUnits(page, d.printer), static_cast<int64_t>(c.length) * 30) << c.name; // 2160 / 72
        }
        EXPECT_EQ(readBack, c.text) << c.name;
        ASSERT_FALSE(d.pages.empty() || d.pages[0].chars.empty()) << c.name;
        const TextChar& first = d.pages[0].chars.front();
        EXPECT_EQ(first.width, c.width) << c.name;
        EXPECT_EQ(first.lineSpacing, c.lineSpacing) << c.name;
        EXPECT_EQ(first.x, c.x) << c.name;
        EXPECT_EQ(first.y, c.y) << c.name;
    }
}
