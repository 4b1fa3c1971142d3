// Option choices as a host sets them, and job settings the PPD gives.
#include <gtest/gtest.h>

#include "capture_stream.h"
#include "engine/printer/page_end.h"
#include "engine/job/job_setup.h"
#include "engine/job/option_table.h"
#include "test_files.h"

using namespace impact;

namespace {

// setupJob with the PPD and an empty raster stream.
StatusCode setup(TestJob* job, const TempDir& dir, const PpdText& text)
{
    static const std::vector<unsigned char> empty = rasterBytes({});
    RasterBytes reader{&empty};
    const RasterSource source = rasterBytesSource(&reader);
    return setupJob(&job->state, "", writePpd(dir, text).c_str(), &source);
}

} // namespace

TEST(OptionTable, ChoicesSetOneByOne)
{
    const std::string longest = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn"; // 40 characters
    OptionTable t;
    initOptionTable(&t);
    ASSERT_EQ(setOptionChoice(&t, "KXSpeed", (longest + "opqrstuvwxyz").c_str()), 0);
    EXPECT_EQ(optionLookup(&t, "KXSpeed"), longest); // cut to the first 40
    EXPECT_EQ(setOptionChoice(&t, "NoSuchKeyword", "x"), 22);
    EXPECT_EQ(optionLookup(&t, "NoSuchKeyword"), nullptr);
    EXPECT_EQ(optionLookup(&t, nullptr), nullptr);
    ASSERT_EQ(setOptionChoice(&t, "InputSlot", "TractorRear"), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "TractorRearAndMore", 30), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "TractorRear", 30), 1); // stops at the terminator
    ASSERT_EQ(setOptionChoice(&t, "InputSlot", ""), 0);                 // empty: not set
    EXPECT_EQ(optionLookup(&t, "InputSlot"), nullptr);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "", 1), 0);
}

TEST(JobSetup, AttributesPageSizeFallbackAndConfiguration)
{
    TempDir dir;
    // Numbers as strtol reads them, cut to the fields' widths.
    const struct { const char* bmp; const char* fsx; uint16_t flags; uint8_t speedEnabled; } attributes[] = {
        {"\"1\"", "\"1\"", 1, 1}, {"\"65537\"", "\"256\"", 1, 0}, {"\"3abc\"", "\"  -1\"", 3, 255},
        {"\"abc\"", "\"\"", 0, 0}, {nullptr, nullptr, 0, 0},
    };
    for (const auto& a : attributes) {
        TestJob job;
        const std::string extra = a.bmp ? std::string("*KXSpPseBmp: ") + a.bmp + "\n*KXSpPseFsx: " + a.fsx + "\n" : "";
        ASSERT_EQ(setup(&job, dir, {.extra = extra}), 0) << job.status;
        EXPECT_EQ(job.state.graphicsFlags, a.flags) << (a.bmp ? a.bmp : "absent");
        EXPECT_EQ(job.state.speedCommandEnabled, a.speedEnabled) << (a.fsx ? a.fsx : "absent");
        teardownJob(&job.state);
    }
    // A default that is no PageSize choice: the size it names is the page, if there is one.
    TestJob without, with;
    EXPECT_EQ(setup(&without, dir, {.defaultPageSize = "Nowhere", .extra = ""}), -1);
    EXPECT_EQ(without.status, "ERROR: PageSize error.\n");
    const std::string letter = "*ImageableArea Letter: \"18 36 594 756\"\n*PaperDimension Letter: \"612 792\"\n";
    ASSERT_EQ(setup(&with, dir, {.pageSizes = {"A4 595 842 18 36 577 806"}, .extra = letter}), 0) << with.status;
    EXPECT_STREQ(with.state.pageSize.name, "Letter");
    teardownJob(&with.state);

    JobConfig config = {0, {}, 3, 1};
    EXPECT_EQ(configureJob(&with.state, &config), 0);
    EXPECT_EQ(with.state.units.feedDpi, kUnitsModel0.feedDpi);
    EXPECT_EQ(with.state.graphicsFlags, 3);
    config.modelNumber = 2;
    EXPECT_EQ(configureJob(&with.state, &config), 22);
    EXPECT_EQ(configureJob(&with.state, nullptr), 22);
}
