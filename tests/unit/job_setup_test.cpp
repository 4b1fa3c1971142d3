// Option choices as a host sets them, and job settings the PPD gives.
#include <gtest/gtest.h>

#include "capture_stream.h"
#include "engine/job/job_setup.h"
#include "filter/option_table.h"
#include "filter/ppd_settings.h"
#include "test_files.h"

using namespace impact;

namespace {

// The settings the filter reads from the PPD, without options.
JobResult setup(TestJob* job, const TempDir& dir, const PpdText& text, JobSettings* settings)
{
    return settingsFromPpd(writePpd(dir, text).c_str(), "", &job->state.host.reports, settings);
}

} // namespace

TEST(OptionTable, ChoicesSetOneByOne)
{
    const std::string longest = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn"; // 40 characters
    OptionTable t;
    initOptionTable(&t);
    ASSERT_TRUE(setOptionChoice(&t, "KXSpeed", (longest + "opqrstuvwxyz").c_str()));
    EXPECT_EQ(optionLookup(&t, "KXSpeed"), longest); // cut to the first 40
    EXPECT_FALSE(setOptionChoice(&t, "NoSuchKeyword", "x"));
    EXPECT_EQ(optionLookup(&t, "NoSuchKeyword"), nullptr);
    EXPECT_EQ(optionLookup(&t, nullptr), nullptr);
    ASSERT_TRUE(setOptionChoice(&t, "InputSlot", "TractorRear"));
    EXPECT_FALSE(optionHasPrefix(&t, "InputSlot", "TractorRearAndMore", 30));
    EXPECT_TRUE(optionHasPrefix(&t, "InputSlot", "TractorRear", 30)); // stops at the terminator
    ASSERT_TRUE(setOptionChoice(&t, "InputSlot", ""));                // empty: not set
    EXPECT_EQ(optionLookup(&t, "InputSlot"), nullptr);
    EXPECT_FALSE(optionHasPrefix(&t, "InputSlot", "", 1));
}

TEST(JobSetup, AttributesPageSizeFallbackAndConfiguration)
{
    TempDir dir;
    // Numbers as strtol reads them, cut to the fields' widths.
    const struct { const char* bmp; const char* fsx; uint16_t flags; bool speedCommand; } attributes[] = {
        {"\"1\"", "\"1\"", 1, true}, {"\"65537\"", "\"256\"", 1, false}, {"\"3abc\"", "\"  -1\"", 3, true},
        {"\"abc\"", "\"\"", 0, false}, {nullptr, nullptr, 0, false},
    };
    for (const auto& a : attributes) {
        TestJob job;
        JobSettings settings;
        const std::string extra = a.bmp ? std::string("*KXSpPseBmp: ") + a.bmp + "\n*KXSpPseFsx: " + a.fsx + "\n" : "";
        ASSERT_EQ(setup(&job, dir, {.extra = extra}, &settings), JobResult::Success) << job.status;
        EXPECT_EQ(settings.graphicsFlags, a.flags) << (a.bmp ? a.bmp : "absent");
        EXPECT_EQ(settings.speedCommand, a.speedCommand) << (a.fsx ? a.fsx : "absent");
    }
    // A default that is no PageSize choice: the size it names is the page, if there is one.
    TestJob without, with;
    JobSettings settings;
    EXPECT_EQ(setup(&without, dir, {.defaultPageSize = "Nowhere", .extra = ""}, &settings), JobResult::BadData);
    EXPECT_EQ(without.status, "ERROR: PageSize error.\n");
    const std::string letter = "*ImageableArea Letter: \"18 36 594 756\"\n*PaperDimension Letter: \"612 792\"\n";
    ASSERT_EQ(setup(&with, dir, {.pageSizes = {"A4 595 842 18 36 577 806"}, .extra = letter}, &settings), JobResult::Success) << with.status;
    EXPECT_TRUE(settings.page.width == 612 && settings.page.length == 792 && settings.page.top == 756);

    settings.printerClass = PrinterClass::NinePin;
    settings.graphicsFlags = 3;
    EXPECT_EQ(configureJob(&with.state, &settings), JobResult::Success);
    EXPECT_EQ(with.state.units.feedDpi, kUnitsNinePin.feedDpi);
    EXPECT_EQ(with.state.settings.graphicsFlags, 3);
    settings.printerClass = static_cast<PrinterClass>(2);
    EXPECT_EQ(configureJob(&with.state, &settings), JobResult::Unsupported);
    EXPECT_EQ(configureJob(&with.state, nullptr), JobResult::Unsupported);
}
