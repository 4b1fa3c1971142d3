// The text path in process: the commands each setting combination sends, the
// characters documents become, and how lines fill forms.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture_stream.h"
#include "test_pages.h"
#include "engine/text/text_job.h"
#include "engine/text/text_option_values.h"

using namespace impact;

namespace {

// 612 points wide: 594 printable, 82 columns at 10 cpi.
const PageGeometry kForm6 = pageOf(612, 432); // 8.5 x 6 in

struct TextRun {
    std::vector<unsigned char> bytes;
    std::string status;
    TextReport report;
    JobResult result;
    // The bytes after the text set-up (ending in ESC Q n), hex.
    std::string body() const
    {
        static const unsigned char kRightMargin[2] = {0x1B, 'Q'};
        auto at = std::search(bytes.begin(), bytes.end(), kRightMargin, kRightMargin + 2);
        if (bytes.end() - at < 3)
            return "(no set-up) " + hexBytes(bytes);
        return hexBytes(std::vector<unsigned char>(at + 3, bytes.end()));
    }
};

TextRun runText(const std::string& input, const TextSettings& settings = {}, int model = 1,
                const PageGeometry& size = kForm6, const std::string& choices = "")
{
    TestJob job;
    JobSettings config{};
    setChoices(&config, choices);
    config.printerClass = model == 0 ? PrinterClass::NinePin : PrinterClass::TwentyFourPin;
    config.page = size;
    EXPECT_EQ(configureJob(&job.state, &config), JobResult::Success);
    TextJob text;
    startTextJob(&text, &job.state, &settings);
    // In two pieces, so sequences cut between writes are read as one.
    const size_t half = input.size() / 2;
    writeText(&text, reinterpret_cast<const unsigned char*>(input.data()), half);
    writeText(&text, reinterpret_cast<const unsigned char*>(input.data()) + half, input.size() - half);
    TextRun run;
    run.result = finishTextJob(&text);
    run.bytes = job.out.bytes;
    run.status = job.status;
    run.report = text.report;
    return run;
}

TextSettings with(TextPitch pitch, LineSpacing spacing, CharTable table, TextQuality quality = TextQuality::Letter)
{
    TextSettings settings;
    settings.pitch = pitch;
    settings.spacing = spacing;
    settings.table = table;
    settings.quality = quality;
    return settings;
}

const std::string kJobStart24 = "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 70 08"; // 2160/360 in
const std::string kEnd = "0C 1B 40 0D";

} // namespace

TEST(TextJob, CommandsForEachSettingCombination)
{
    TextSettings left = with(TextPitch::Cpi15, LineSpacing::Lpi6, CharTable::Pc850);
    left.leftPoints = 36; // 7.5 columns at 15 cpi: 8
    const struct { int model; TextSettings settings; std::string choices, start; } cases[] = {
        {1, TextSettings{}, "", kJobStart24 + " 1B 78 01 1B 50 1B 32 1B 52 00 1B 36 1B 28 74 03 00 01 01 00 1B 74 01 1B 6C 00 1B 51 52"},
        {1, with(TextPitch::Cpi12, LineSpacing::Lpi8, CharTable::Pc858, TextQuality::Draft), "",
         kJobStart24 + " 1B 78 00 1B 4D 1B 30 1B 52 00 1B 36 1B 28 74 03 00 01 0D 00 1B 74 01 1B 6C 00 1B 51 63"},
        {1, left, "", kJobStart24 + " 1B 78 01 1B 67 1B 32 1B 52 00 1B 36 1B 28 74 03 00 01 03 00 1B 74 01 1B 6C 08 1B 51 7B"},
        // The 9-pin class: its page unit is 1/432 in; condensed is 141 columns.
        {0, with(TextPitch::Cpi17, LineSpacing::Lpi6, CharTable::Pc852), "",
         "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 20 0A 1B 78 01 1B 50 0F 1B 32 1B 52 00 1B 36 1B 28 74 03 00 01 0A 00 1B 74 01 1B 6C 00 1B 51 8D"},
        // The graphics path's job-start choices apply as they are.
        {1, TextSettings{}, "KXSpeed=High KXPrintDirection=UniOn KXTopMP=Driver",
         "1B 40 0D 1B 50 1B 55 01 1B 28 55 01 00 0A 1B 28 43 02 00 70 08 1B 28 63 04 00 2D 00 16 08 1B 78 01 1B 50 1B 32 1B 52 00 1B 36 1B 28 74 03 00 01 01 00 1B 74 01 1B 6C 00 1B 51 52"},
    };
    for (const auto& c : cases) {
        const TextRun run = runText("A\n", c.settings, c.model, kForm6, c.choices);
        EXPECT_EQ(hexBytes(run.bytes), c.start + " 41 0D " + kEnd) << c.choices;
        EXPECT_EQ(run.status, "PAGE: 1 1\nINFO: Ready to print.\n");
        EXPECT_EQ(run.result, JobResult::Success);
    }
}

TEST(TextJob, OptionValuesAsPeopleWriteThem)
{
    const struct { const char* text; bool ninePin; bool ok; TextPitch pitch; } pitches[] = {
        {"10", false, true, TextPitch::Cpi10}, {"12", true, true, TextPitch::Cpi12},
        {"15", false, true, TextPitch::Cpi15}, {"15", true, true, TextPitch::Cpi17}, // the 9-pin class has no 15
        {"17.1", false, true, TextPitch::Cpi17}, {"20", false, true, TextPitch::Cpi17},
        {"abc", false, false, TextPitch::Cpi10}, {"-3", false, false, TextPitch::Cpi10}, {"", false, false, TextPitch::Cpi10},
    };
    for (const auto& c : pitches) {
        TextPitch pitch = TextPitch::Cpi10;
        EXPECT_EQ(parsePitch(c.text, c.ninePin, &pitch), c.ok) << c.text;
        EXPECT_EQ(pitch, c.pitch) << c.text << (c.ninePin ? " 9-pin" : "");
    }
    CharTable table = CharTable::Pc437;
    EXPECT_TRUE(parseCharTable("PC858", &table) && table == CharTable::Pc858);
    EXPECT_FALSE(parseCharTable("pc1252", &table));
    InputCharset charset = InputCharset::Utf8;
    EXPECT_TRUE(parseInputCharset("ISO-8859-15", &charset) && charset == InputCharset::Latin9);
    EXPECT_TRUE(parseInputCharset("us-ascii", &charset) && charset == InputCharset::Utf8);
    float points = 0;
    EXPECT_FALSE(parsePoints("1e9", &points));
    bool wrap = true;
    EXPECT_TRUE(parseSwitch("false", &wrap) && !wrap);
}

TEST(TextJob, CharactersAndWhatTheyBecome)
{
    using C = InputCharset;
    using T = CharTable;
    const struct { C charset; T table; std::string input, line; uint32_t replaced, dropped; } cases[] = {
        {C::Utf8, T::Pc850, "W\xC3\xB6rld", "57 94 72 6C 64 0D", 0, 0},
        {C::Utf8, T::Pc850, "e\xCC\x81!", "82 21 0D", 0, 0},                 // e + combining acute: é
        {C::Utf8, T::Pc437, "x\xCC\x81", "78 0D", 1, 0},                     // no x with an acute
        {C::Utf8, T::Pc437, "\xC5\x91", "6F 0D", 1, 0},                      // ő: o
        {C::Utf8, T::Pc852, "\xC5\x91\xC5\x82", "8B 88 0D", 0, 0},           // ő ł in the central European table
        {C::Utf8, T::Pc850, "\xC5\x82", "6C 0D", 1, 0},                      // ł: l
        {C::Utf8, T::Pc858, "\xE2\x82\xAC" "5", "D5 35 0D", 0, 0},           // the euro sign
        {C::Utf8, T::Pc850, "\xE2\x82\xAC" "5", "3F 35 0D", 1, 0},
        {C::Utf8, T::Pc437, "\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\xA6", "22 71 22 20 2D 20 2E 0D", 4, 0},
        {C::Utf8, T::Pc437, "\xEF\xBB\xBF" "A", "41 0D", 0, 0},              // byte order mark
        {C::Utf8, T::Pc437, "A\xEF\xBB\xBF" "B", "41 42 0D", 0, 0},          // zero-width no-break space
        {C::Utf8, T::Pc437, std::string("A\0B", 3), "41 42 0D", 0, 1},       // NUL
        {C::Utf8, T::Pc437, "A\x1B@\x07\x7F" "B", "41 40 42 0D", 0, 3},      // ESC, BEL, DEL
        {C::Utf8, T::Pc437, "A\xC2\x9B" "B", "41 42 0D", 0, 1},              // a C1 control
        {C::Utf8, T::Pc437, "\xC3\x28", "3F 28 0D", 1, 0},                   // a lead byte without its tail
        {C::Utf8, T::Pc437, "\xC0\xAF\xFF", "3F 3F 3F 0D", 3, 0},            // overlong, never valid
        {C::Utf8, T::Pc437, "\xED\xA0\x80", "3F 3F 3F 0D", 3, 0},            // a surrogate
        {C::Utf8, T::Pc437, "\xF0\x9F\x98\x80!", "3F 21 0D", 1, 0},          // outside every table
        {C::Utf8, T::Pc437, "ab\xE2\x82", "61 62 3F 0D", 1, 0},              // cut off at the end
        {C::Utf8, T::Pc437, "\xEF\xBC\xA1\xE3\x80\x80" "b", "41 20 62 0D", 2, 0}, // full-width A, ideographic space
        {C::Latin1, T::Pc850, "\xE9\xA4", "82 CF 0D", 0, 0},                 // é ¤
        {C::Latin9, T::Pc858, "\xE9\xA4", "82 D5 0D", 0, 0},                 // é €
        {C::Windows1252, T::Pc437, "\x93" "a\x94\x81", "22 61 22 3F 0D", 3, 0},
    };
    for (const auto& c : cases) {
        TextSettings settings;
        settings.charset = c.charset;
        settings.table = c.table;
        const TextRun run = runText(c.input, settings);
        EXPECT_EQ(run.body(), c.line + " " + kEnd) << c.input;
        EXPECT_EQ(run.report.replaced, c.replaced) << c.input;
        EXPECT_EQ(run.report.dropped, c.dropped) << c.input;
    }
}

TEST(TextJob, LinesOnTheForm)
{
    TextSettings cut;
    cut.wrap = false;
    TextSettings top;
    top.topPoints = 72;
    const PageGeometry narrow = pageOf(90, 432); // 72 points across: 10 columns
    const struct { std::string input; TextSettings settings; PageGeometry size; std::string body; } cases[] = {
        {"a\r\n\r\nb\rc   \n", {}, kForm6, "61 0D 0A 0A 62 0D 0A 63 0D " + kEnd}, // CR LF, blank line, lone CR, trailing spaces
        {"a\tb\n", {}, kForm6, "61 20 20 20 20 20 20 20 62 0D " + kEnd},
        {"abcdefghijkl", {}, narrow, "61 62 63 64 65 66 67 68 69 6A 0D 0A 6B 6C 0D " + kEnd},
        {"abcdefghijkl\nm", cut, narrow, "61 62 63 64 65 66 67 68 69 6A 0D 0A 6D 0D " + kEnd},
        {"abcdefghi\tX", {}, narrow, "61 62 63 64 65 66 67 68 69 0D 0A 58 0D " + kEnd}, // a tab stops at the margin
        {"a\fb\f", {}, kForm6, "61 0D 0C 62 0D " + kEnd},
        {"\f\fa", {}, kForm6, "61 0D " + kEnd},                                // the paper is at a form's top already
        {"a\f\fb", {}, kForm6, "61 0D 0C 0C 62 0D " + kEnd},                     // an empty form between
        {"\n\n\na", {}, kForm6, "0A 0A 0A 61 0D " + kEnd},
        {"a", top, kForm6, "1B 4A B4 61 0D " + kEnd},                          // 1 inch in 1/180 in
    };
    for (const auto& c : cases) {
        const TextRun run = runText(c.input, c.settings, 1, c.size);
        EXPECT_EQ(run.body(), c.body) << c.input;
    }
    EXPECT_EQ(runText("abcdefghijkl\nm", cut, 1, narrow).report.cutLines, 1u);
    // Nothing to print: only the job end.
    const TextRun empty = runText("");
    EXPECT_EQ(hexBytes(empty.bytes), "1B 40 0D");
    EXPECT_EQ(empty.status, "WARNING: No pages found!\n");
}

TEST(TextJob, LinesPerForm)
{
    TextSettings eight;
    eight.spacing = LineSpacing::Lpi8;
    TextSettings top;
    top.topPoints = 18;
    const PageGeometry form100mm = pageOf(612, 283.46f); // 23.6 lines at 6 lpi, 31.5 at 8
    const struct { PageGeometry size; TextSettings settings; std::string choices; uint32_t lines; std::string formStart; } cases[] = {
        {kForm6, {}, "", 36, ""}, {kForm6, eight, "", 48, ""}, {kForm6, top, "", 34, "1B 4A 2D "},
        {form100mm, {}, "", 23, ""}, {form100mm, eight, "", 31, ""},
        {pageOf(612, 792), {}, "KXTopMP=Driver", 63, ""}, // the printable 765 of 792 points
    };
    for (const auto& c : cases) {
        TestJob job;
        JobSettings config{};
        setChoices(&config, c.choices);
        config.printerClass = PrinterClass::TwentyFourPin;
        config.page = c.size;
        configureJob(&job.state, &config);
        EXPECT_EQ(textGeometry(&job.state, &c.settings).linesPerPage, c.lines) << c.size.length << " " << c.choices;
        // A form full of lines, and one more line on the next form.
        std::string input, firstForm = c.formStart + "78 0D";
        for (uint32_t i = 0; i <= c.lines; ++i)
            input += "x\n";
        for (uint32_t i = 1; i < c.lines; ++i)
            firstForm += " 0A 78 0D";
        const TextRun run = runText(input, c.settings, 1, c.size, c.choices);
        EXPECT_EQ(run.body(), firstForm + " 0C " + c.formStart + "78 0D " + kEnd) << c.lines;
        EXPECT_EQ(run.report.pages, 2u);
    }
}

TEST(TextJob, CancelAndFailure)
{
    // Cancelled after the first line: the page and the job end on paper.
    TestJob job;
    JobSettings config{};
    config.printerClass = PrinterClass::TwentyFourPin;
    config.page = kForm6;
    configureJob(&job.state, &config);
    static int asked;
    asked = 0;
    job.state.host.cancelRequested = [](void*, uint32_t* pending) { *pending = 0; return ++asked > 2; };
    TextJob text;
    const TextSettings settings;
    startTextJob(&text, &job.state, &settings);
    const std::string input = "a\nb\nc\nd\n";
    writeText(&text, reinterpret_cast<const unsigned char*>(input.data()), input.size());
    EXPECT_EQ(finishTextJob(&text), JobResult::Success);
    const std::string hex = job.hex();
    EXPECT_EQ(hex.substr(hex.size() - 65), "61 0D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0C 1B 40 0D") << hex;

    // A printer that takes nothing: the job fails with an output error.
    TestJob failing;
    failing.out.failAfterWrites = 0;
    configureJob(&failing.state, &config);
    startTextJob(&text, &failing.state, &settings);
    writeText(&text, reinterpret_cast<const unsigned char*>(input.data()), input.size());
    EXPECT_EQ(finishTextJob(&text), JobResult::OutputFailed);
    EXPECT_NE(failing.status.find("ERROR: Print data output error."), std::string::npos) << failing.status;
}
