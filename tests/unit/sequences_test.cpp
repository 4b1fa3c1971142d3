// The job start, page end and job end, byte for byte, for the choices that select them.
#include <gtest/gtest.h>

#include "capture_stream.h"
#include "engine/printer/job_start.h"
#include "engine/printer/page_end.h"
#include "engine/printer/page_setup.h"

using namespace impact;

namespace {

const std::string kPacketExit = "00 00 00 1B 01 40 5A 52 50 20 31 32 38 34 2E 34 0A 40 5A 52 50 20 20 20 20 20 0A";
const std::string kReset = "1B 40 0D 1B 50";
const std::string kUnit = "1B 28 55 01 00 0A";
const PageMetrics kOneInch = {3600, 0, 3600};

} // namespace

TEST(CommandSequences, JobStart)
{
    const PageMetrics letter = {3600 * 11, 3600 * 0.25f, 3600 * 10.5f};
    const PageMetrics nine = {792 * 60.0f, 36 * 60.0f, 756 * 60.0f}; // Letter in 9-pin base units
    const PrinterUnits& p24 = kUnitsTwentyFourPin;
    const struct { const char* choices; PageMetrics metrics; PrinterUnits units; bool speedCommand; std::string bytes; } cases[] = {
        {"", kOneInch, p24, true, kReset + " " + kUnit + " 1B 28 43 02 00 68 01"},
        {"KXPackMode=Auto KXPrintDirection=UniOnAlways KXTopMP=Driver KXSpeed=High", letter, p24, true,
         kPacketExit + " " + kReset + " 1C 78 01 1B 55 01 " + kUnit + " 1B 28 43 02 00 78 0F 1B 28 63 04 00 5A 00 C4 0E"},
        {"KXPackMode=Off KXPrintDirection=BiDirectional KXTopMP=Printer KXSpeed=Normal", letter, p24, true,
         kReset + " 1C 78 00 1B 55 00 " + kUnit + " 1B 28 43 02 00 78 0F"},
        {"KXPrintDirection=Default KXSpeed=High", letter, p24, false, kReset + " " + kUnit + " 1B 28 43 02 00 78 0F"},
        {"KXSpeed=Default", letter, p24, true, kReset + " " + kUnit + " 1B 28 43 02 00 78 0F"},
        {"KXTopMP=Driver", nine, kUnitsNinePin, false,
         kReset + " " + kUnit + " 1B 28 43 02 00 90 12 1B 28 63 04 00 D8 00 B8 11"},
    };
    for (const auto& c : cases) {
        TestJob job;
        setChoices(&job.state.settings, c.choices);
        job.state.settings.speedCommand = c.speedCommand;
        job.state.units = c.units;
        EXPECT_TRUE(sendJobStart(&job.state, &c.metrics));
        EXPECT_EQ(job.hex(), c.bytes) << c.choices;
        EXPECT_EQ(job.status, "");
    }
}

TEST(CommandSequences, PageEndAndJobEnd)
{
    const struct { const char* choices, *pageEnd, *jobEnd; } cases[] = {
        {"", "0C", "1B 40 0D"}, {"InputSlot=RollPaper", "0C", "1B 40 0D"}, {"InputSlot=Tractor", "0C", "1B 40 0D"},
        {"InputSlot=RollPaper KXSvRP=On", "1B 4A 18 1B 28 43 02 00 F0 1E", "1B 40 0D"},
        {"InputSlot=RollPaperWide KXSvRP=On", "0C", "1B 40 0D"}, // the page end wants the exact choice
        {"InputSlot=Tractor KXTearOff=On", "0C", "0D 1B 19 43"}, {"InputSlot=TractorFront KXTearOff=On", "0C", "0D 1B 19 43"},
        {"InputSlot=RollPaper KXTearOff=On", "0C", "0D 1B 19 43"},
        {"InputSlot=RollPaper KXTearOff=On KXSvRP=On", "1B 4A 18 1B 28 43 02 00 F0 1E", "0D 1B 19 44"},
        {"InputSlot=RollPaperWide KXTearOff=On KXSvRP=On", "0C", "0D 1B 19 44"}, // the job end a prefix
        {"InputSlot=CutSheet KXTearOff=On", "0C", "1B 40 0D"}, {"KXTearOff=On", "0C", "1B 40 0D"},
        {"InputSlot=Tractor KXTearOff=on", "0C", "1B 40 0D"},
    };
    for (const auto& c : cases) {
        TestJob job;
        setChoices(&job.state.settings, c.choices);
        EXPECT_TRUE(sendPageEnd(&job.state));
        EXPECT_EQ(job.hex(), c.pageEnd) << c.choices;
        job.out.bytes.clear();
        EXPECT_TRUE(sendJobEnd(&job.state));
        EXPECT_EQ(job.hex(), c.jobEnd) << c.choices;
    }
}

TEST(CommandSequences, AFailingStreamGetsEveryCommandAndOneLine)
{
    const struct { const char* what; bool (*send)(JobState*); } cases[] = {
        {"page end", [](JobState* s) { return sendPageEnd(s); }},
        {"job end", [](JobState* s) { return sendJobEnd(s); }},
        {"carriage return", [](JobState* s) { return sendCarriageReturn(s); }},
        {"teardown", [](JobState* s) { return teardownJob(s) == JobResult::Success; }},
    };
    for (const auto& c : cases) {
        TestJob job;
        job.out.failAfterWrites = 0;
        EXPECT_FALSE(c.send(&job.state)) << c.what;
        EXPECT_EQ(job.status, "ERROR: Print data output error.\n") << c.what;
    }
    // The job start's first command fails (three tries): everything after it still goes out.
    TestJob first;
    setChoices(&first.state.settings, "KXTopMP=Driver");
    first.out.failWrite = 1;
    first.out.failWriteCount = 3;
    first.state.units = kUnitsTwentyFourPin;
    EXPECT_FALSE(sendJobStart(&first.state, &kOneInch));
    EXPECT_EQ(first.status, "ERROR: Print data output error.\n");
    EXPECT_EQ(first.hex(), "0D 1B 50 " + kUnit + " 1B 28 43 02 00 68 01 1B 28 63 04 00 00 00 68 01");
}
