// The option choices and the job's settings as the PPD gives them.
#include <gtest/gtest.h>

#include <cups/ppd.h>

#include "capture_stream.h"
#include "printer/page_end.h"
#include "settings/job_setup.h"
#include "settings/option_table.h"
#include "test_files.h"

namespace {

const std::string kLongest = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn"; // 40 characters

// setupJob with the PPD and an empty raster stream.
StatusCode setup(TestJob* job, const TempDir& dir, const PpdText& text, const std::string& options)
{
    static const std::vector<unsigned char> empty = rasterBytes({});
    RasterBytes reader{&empty};
    const RasterSource source = rasterBytesSource(&reader);
    return setupJob(&job->state, options.c_str(), writePpd(dir, text).c_str(), &source);
}

} // namespace

TEST(OptionTable, CapturesDefaultsAndMarkedChoices)
{
    TempDir dir;
    PpdText text;
    text.extra = ppdOption("InputSlot", "TractorRear", {"TractorRear", "RollPaper"}) +
                 ppdOption("KXSpeed", "Default", {"Default", "High", kLongest}) +
                 ppdOption("kxtearoff", "On", {"On", "Off"}); // differs from KXTearOff only in case
    ppd_file_t* ppd = ppdOpenFile(writePpd(dir, text).c_str());
    ASSERT_NE(ppd, nullptr);
    ppdMarkDefaults(ppd);
    OptionTable table;
    initOptionTable(&table);
    ASSERT_EQ(captureOptions(&table, ppd), 0);
    EXPECT_STREQ(optionLookup(&table, "InputSlot"), "TractorRear");
    EXPECT_STREQ(optionLookup(&table, "KXSpeed"), "Default");
    EXPECT_STREQ(optionLookup(&table, "PageSize"), "Letter");
    EXPECT_EQ(optionLookup(&table, "KXTearOff"), nullptr);
    EXPECT_EQ(optionLookup(&table, "KXSvRP"), nullptr);
    for (const std::string& choice : {std::string("High"), kLongest}) {
        ppdMarkOption(ppd, "KXSpeed", choice.c_str());
        ASSERT_EQ(captureOptions(&table, ppd), 0);
        EXPECT_EQ(optionLookup(&table, "KXSpeed"), choice);
    }
    ppdClose(ppd);
    EXPECT_EQ(captureOptions(&table, nullptr), 22);
    // A longer text is cut to its first 40 characters.
    ASSERT_EQ(setOptionChoice(&table, "KXSpeed", (kLongest + "opqrstuvwxyz").c_str()), 0);
    EXPECT_EQ(optionLookup(&table, "KXSpeed"), kLongest);
}

TEST(OptionTable, EqualityIsWholeStringPrefixIsBounded)
{
    OptionTable t;
    initOptionTable(&t);
    ASSERT_EQ(setOptionChoice(&t, "InputSlot", "TractorRear"), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "Tractor", 7), 1);
    EXPECT_EQ(optionEquals(&t, "InputSlot", "Tractor"), 0);
    EXPECT_EQ(optionEquals(&t, "InputSlot", "TractorRear"), 1);
    EXPECT_EQ(optionEquals(&t, "InputSlot", "tractorrear"), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "Tractor", 0), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", nullptr, 7), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "TractorRearAndMore", 30), 0);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "TractorRear", 30), 1); // stops at the terminator
    EXPECT_EQ(optionLookup(&t, nullptr), nullptr);
    EXPECT_EQ(optionLookup(&t, "NoSuchKeyword"), nullptr);
    EXPECT_EQ(setOptionChoice(&t, "NoSuchKeyword", "x"), 22);
    // An empty choice is the same as none.
    ASSERT_EQ(setOptionChoice(&t, "InputSlot", ""), 0);
    EXPECT_EQ(optionLookup(&t, "InputSlot"), nullptr);
    EXPECT_EQ(optionHasPrefix(&t, "InputSlot", "", 1), 0);
}

TEST(JobSetup, UnitsPageSizeAndAttributesFromThePpd)
{
    TempDir dir;
    for (int model : {0, 1}) {
        TestJob job;
        PpdText text;
        text.modelNumber = model;
        ASSERT_EQ(setup(&job, dir, text, ""), 0) << job.status;
        const PrinterUnits want = model == 0 ? kUnitsModel0 : kUnitsModel1;
        EXPECT_EQ(job.state.units.baseDpi, want.baseDpi);
        EXPECT_EQ(job.state.units.pageDpi, want.pageDpi);
        EXPECT_EQ(job.state.units.feedDpi, want.feedDpi);
        EXPECT_EQ(job.state.units.positionDpi, want.positionDpi);
        EXPECT_STREQ(job.state.pageSize.name, "Letter");
        EXPECT_FLOAT_EQ(job.state.pageSize.left, 18);
        EXPECT_FLOAT_EQ(job.state.pageSize.top, 756);
        EXPECT_EQ(teardownJob(&job.state), 0);
        EXPECT_EQ(job.state.raster, nullptr);
        EXPECT_EQ(job.status, "");
    }
    // Numbers as strtol reads them, cut to the fields' widths.
    const struct { const char* bmp; const char* fsx; uint16_t flags; uint8_t speedEnabled; } attributes[] = {
        {"\"1\"", "\"1\"", 1, 1}, {"\"65537\"", "\"256\"", 1, 0}, {"\"3abc\"", "\"  -1\"", 3, 255},
        {"\"abc\"", "\"\"", 0, 0}, {nullptr, nullptr, 0, 0},
    };
    for (const auto& a : attributes) {
        TestJob job;
        PpdText text;
        if (a.bmp)
            text.extra = std::string("*KXSpPseBmp: ") + a.bmp + "\n*KXSpPseFsx: " + a.fsx + "\n";
        ASSERT_EQ(setup(&job, dir, text, ""), 0) << job.status;
        EXPECT_EQ(job.state.graphicsFlags, a.flags) << (a.bmp ? a.bmp : "absent");
        EXPECT_EQ(job.state.speedCommandEnabled, a.speedEnabled) << (a.fsx ? a.fsx : "absent");
        teardownJob(&job.state);
    }
    // A default that names no size: the job's own choice gives the size.
    PpdText nowhere;
    nowhere.defaultPageSize = "Nowhere";
    TestJob without;
    EXPECT_EQ(setup(&without, dir, nowhere, ""), -1);
    EXPECT_EQ(without.status, "ERROR: PageSize error.\n");
    TestJob with;
    ASSERT_EQ(setup(&with, dir, nowhere, "PageSize=Letter"), 0);
    EXPECT_STREQ(with.state.pageSize.name, "Letter");
    teardownJob(&with.state);
}

TEST(JobSetup, RefusalsWriteOneLineAndHoldNothing)
{
    TempDir dir;
    TestJob job;
    EXPECT_EQ(setupJob(&job.state, "", nullptr, nullptr), 2);
    EXPECT_EQ(job.status, "ERROR: Can not read PPD information.\n");
    job.status.clear();
    RasterBytes nothing{nullptr};
    const std::vector<unsigned char> none;
    nothing.bytes = &none;
    const RasterSource empty = rasterBytesSource(&nothing);
    EXPECT_EQ(setupJob(&job.state, "", writePpd(dir).c_str(), &empty), 5);
    EXPECT_EQ(job.status, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
    EXPECT_EQ(job.state.raster, nullptr);
    EXPECT_EQ(setupJob(nullptr, "", nullptr, nullptr), 22);
    EXPECT_EQ(setupJob(&job.state, nullptr, nullptr, nullptr), 22);
    EXPECT_EQ(job.hex(), "");

    JobConfig config = {0, {}, 3, 1};
    EXPECT_EQ(configureJob(&job.state, &config), 0);
    EXPECT_EQ(job.state.units.feedDpi, kUnitsModel0.feedDpi);
    EXPECT_EQ(job.state.graphicsFlags, 3);
    config.modelNumber = 2;
    EXPECT_EQ(configureJob(&job.state, &config), 22);
    EXPECT_EQ(configureJob(&job.state, nullptr), 22);
}
