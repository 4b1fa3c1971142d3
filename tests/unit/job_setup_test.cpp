#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "capture_stream.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"
#include "settings/option_table.h"
#include "test_files.h"

namespace {

class JobSetup : public testing::Test {
protected:
    std::string dir;
    std::string rasterPath;
    int fd = -1;
    CaptureStream capture;

    void SetUp() override
    {
        dir = testDirectory("setup");
        rasterPath = dir + "/empty.ras";
        writeRasterFile(rasterPath, {});
        fd = ::open(rasterPath.c_str(), O_RDONLY);
        captureBegin(&capture);
    }
    void TearDown() override
    {
        captureEnd(&capture);
        if (fd >= 0)
            ::close(fd);
        unsetenv("PPD");
        clearOptions();
    }
    void usePpd(const PpdText& text)
    {
        std::string path = dir + "/printer.ppd";
        writeTextFile(path, ppdText(text));
        setenv("PPD", path.c_str(), 1);
    }
    StatusCode setup(JobState* state, const char* options, std::string* err)
    {
        testing::internal::CaptureStderr();
        StatusCode status = setupJob(state, options, fd);
        *err = testing::internal::GetCapturedStderr();
        return status;
    }
};

const char* kSlotAndTearOff =
    "*OpenUI *InputSlot/Paper Source: PickOne\n*OrderDependency: 20 AnySetup *InputSlot\n"
    "*DefaultInputSlot: CutSheet\n*InputSlot CutSheet/Cut Sheet: \"\"\n*InputSlot Tractor/Tractor: \"\"\n"
    "*InputSlot RollPaper/Roll: \"\"\n*CloseUI: *InputSlot\n"
    "*OpenUI *KXTearOff/Tear-Off: PickOne\n*OrderDependency: 20 AnySetup *KXTearOff\n"
    "*DefaultKXTearOff: Off\n*KXTearOff Off/Off: \"\"\n*KXTearOff On/On: \"\"\n*CloseUI: *KXTearOff\n"
    "*OpenUI *KXSvRP/Roll Paper Saving: PickOne\n*OrderDependency: 20 AnySetup *KXSvRP\n"
    "*DefaultKXSvRP: Off\n*KXSvRP Off/Off: \"\"\n*KXSvRP On/On: \"\"\n*CloseUI: *KXSvRP\n"
    "*UIConstraints: *InputSlot CutSheet *KXTearOff On\n"
    "*UIConstraints: *KXTearOff On *InputSlot CutSheet\n";

} // namespace

TEST_F(JobSetup, ModelNumberChoosesTheUnits)
{
    for (int model : {0, 1}) {
        PpdText text;
        text.modelNumber = model;
        usePpd(text);
        JobState* state = resetJobState();
        std::string err;
        ASSERT_EQ(setup(state, "", &err), 0) << err;
        EXPECT_EQ(err, "");
        if (model == 1) {
            EXPECT_EQ(state->units.baseDpi, 3600);
            EXPECT_EQ(state->units.pageDpi, 360);
            EXPECT_EQ(state->units.feedDpi, 180);
            EXPECT_EQ(state->units.positionDpi, 360);
        } else {
            EXPECT_EQ(state->units.baseDpi, 4320);
            EXPECT_EQ(state->units.pageDpi, 432);
            EXPECT_EQ(state->units.feedDpi, 216);
            EXPECT_EQ(state->units.positionDpi, 60);
        }
        EXPECT_STREQ(state->pageSize.name, "Letter");
        EXPECT_FLOAT_EQ(state->pageSize.left, 18);
        EXPECT_FLOAT_EQ(state->pageSize.top, 756);
        EXPECT_NE(state->raster, nullptr);
        EXPECT_EQ(teardownJob(state), 0);
        EXPECT_EQ(state->raster, nullptr);
        ::lseek(fd, 0, SEEK_SET);
    }
    EXPECT_EQ(hexBytes(capture.bytes), "1B 40 0D 1B 40 0D"); // the two job ends
}

TEST_F(JobSetup, FailuresWriteOneLineAndHoldNothing)
{
    std::string err;
    JobState* state = resetJobState();
    EXPECT_EQ(setup(state, "", &err), 2); // PPD unset
    EXPECT_EQ(err, "ERROR: Can not read PPD information.\n");
    setenv("PPD", (dir + "/missing.ppd").c_str(), 1);
    EXPECT_EQ(setup(state, "", &err), 2);
    EXPECT_EQ(err, "ERROR: Can not read PPD information.\n");
    writeTextFile(dir + "/notappd.ppd", "hello\n");
    setenv("PPD", (dir + "/notappd.ppd").c_str(), 1);
    EXPECT_EQ(setup(state, "", &err), 2);

    PpdText unsupported;
    unsupported.modelNumber = 2;
    usePpd(unsupported);
    EXPECT_EQ(setup(state, "", &err), 22);
    EXPECT_EQ(err, "ERROR: The Printer is not supported.\n");

    PpdText noSizes;
    noSizes.pageSizes.clear();
    usePpd(noSizes);
    EXPECT_EQ(setup(state, "", &err), -1);
    EXPECT_EQ(err, "ERROR: PageSize error.\n");

    PpdText conflicts;
    conflicts.extra = kSlotAndTearOff;
    usePpd(conflicts);
    EXPECT_EQ(setup(state, "KXTearOff=On", &err), 22);
    EXPECT_EQ(err, "ERROR: Options conflicting.\n");
    EXPECT_EQ(state->raster, nullptr);

    EXPECT_EQ(setupJob(nullptr, "", fd), 22);
    EXPECT_EQ(setupJob(state, nullptr, fd), 22);
    EXPECT_TRUE(capture.bytes.empty());
}

TEST_F(JobSetup, RasterThatCannotBeOpened)
{
    usePpd(PpdText{});
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ::close(pipeFds[1]); // empty input
    JobState* state = resetJobState();
    testing::internal::CaptureStderr();
    StatusCode status = setupJob(state, "", pipeFds[0]);
    std::string err = testing::internal::GetCapturedStderr();
    ::close(pipeFds[0]);
    EXPECT_EQ(status, 5);
    EXPECT_EQ(err, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
}

TEST_F(JobSetup, OptionsReachTheTableAndTheJobEnd)
{
    PpdText text;
    text.extra = kSlotAndTearOff;
    usePpd(text);
    JobState* state = resetJobState();
    std::string err;
    ASSERT_EQ(setup(state, "InputSlot=RollPaper KXTearOff=On KXSvRP=On", &err), 0) << err;
    EXPECT_STREQ(optionLookup("InputSlot"), "RollPaper");
    EXPECT_STREQ(optionLookup("KXTearOff"), "On");
    EXPECT_EQ(teardownJob(state), 0);
    EXPECT_EQ(hexBytes(capture.bytes), "0D 1B 19 44");
}

TEST_F(JobSetup, PageSizeFallsBackToTheCapturedChoice)
{
    // A default that names no size: nothing is marked, and the captured
    // choice has no size either.
    PpdText text;
    text.defaultPageSize = "Nowhere";
    usePpd(text);
    JobState* state = resetJobState();
    std::string err;
    EXPECT_EQ(setup(state, "", &err), -1);
    EXPECT_EQ(err, "ERROR: PageSize error.\n");
    // The job's choice marks a size.
    ASSERT_EQ(setup(state, "PageSize=Letter", &err), 0) << err;
    EXPECT_STREQ(state->pageSize.name, "Letter");
    teardownJob(state);
}

TEST_F(JobSetup, AttributesAreReadAsNumbers)
{
    struct Case {
        const char* bmp;
        const char* fsx;
        uint16_t flags;
        uint8_t speedEnabled;
    } cases[] = {
        {"\"1\"", "\"1\"", 1, 1},
        {"\"65537\"", "\"256\"", 1, 0},
        {"\"3abc\"", "\"  -1\"", 3, 255},
        {"\"abc\"", "\"\"", 0, 0},
        {nullptr, nullptr, 0, 0},
    };
    for (const auto& c : cases) {
        PpdText text;
        if (c.bmp)
            text.extra += std::string("*KXSpPseBmp: ") + c.bmp + "\n";
        if (c.fsx)
            text.extra += std::string("*KXSpPseFsx: ") + c.fsx + "\n";
        usePpd(text);
        JobState* state = resetJobState();
        std::string err;
        ASSERT_EQ(setup(state, "", &err), 0) << err;
        EXPECT_EQ(state->graphicsFlags, c.flags) << (c.bmp ? c.bmp : "absent");
        EXPECT_EQ(state->speedCommandEnabled, c.speedEnabled) << (c.fsx ? c.fsx : "absent");
        teardownJob(state);
        ::lseek(fd, 0, SEEK_SET);
    }
}

TEST_F(JobSetup, TeardownReleasesWhatTheJobHolds)
{
    usePpd(PpdText{});
    JobState* state = resetJobState();
    std::string err;
    ASSERT_EQ(setup(state, "", &err), 0);
    state->lineBuffer = static_cast<unsigned char*>(std::malloc(64));
    state->bandBuffer = state->lineBuffer + 8;
    EXPECT_EQ(teardownJob(state), 0);
    EXPECT_EQ(state->lineBuffer, nullptr);
    EXPECT_EQ(state->bandBuffer, nullptr);
    EXPECT_EQ(state->raster, nullptr);
    EXPECT_EQ(teardownJob(nullptr), 22);

    // A device that fails takes the job end with it: 5 and one line.
    CaptureStream failing;
    failing.failAfterWrites = 0;
    captureBegin(&failing);
    testing::internal::CaptureStderr();
    StatusCode status = teardownJob(state);
    err = testing::internal::GetCapturedStderr();
    captureEnd(&failing);
    EXPECT_EQ(status, 5);
    EXPECT_EQ(err, "ERROR: Print data output error.\n");
}
