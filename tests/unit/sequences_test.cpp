#include <gtest/gtest.h>

#include "capture_stream.h"
#include "printer/job_start.h"
#include "printer/page_end.h"
#include "printer/page_setup.h"
#include "settings/option_table.h"

namespace {

struct Sent {
    StatusCode status;
    std::string bytes;
    std::string err;
};

template <typename F> Sent send(F f)
{
    CaptureStream capture;
    captureBegin(&capture);
    testing::internal::CaptureStderr();
    StatusCode status = f();
    std::string err = testing::internal::GetCapturedStderr();
    captureEnd(&capture);
    return {status, hexBytes(capture.bytes), err};
}

const std::string kReset = "1B 40 0D 1B 50";
const std::string kUnit = "1B 28 55 01 00 0A";

class CommandSequences : public testing::Test {
protected:
    void SetUp() override { clearOptions(); }
    void TearDown() override { clearOptions(); }
    PageMetrics oneInch = {3600, 0, 3600};
};

} // namespace

TEST_F(CommandSequences, JobStartPlain)
{
    // A page 72 points long on the 24-pin class: 3600 base units, 360 page units.
    Sent s = send([&] { return sendJobStart(&oneInch, 3600, 360, -1, 1); });
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.bytes, kReset + " " + kUnit + " 1B 28 43 02 00 68 01");
    EXPECT_EQ(s.err, "");
}

TEST_F(CommandSequences, JobStartOptionVariants)
{
    setOptionChoice("KXPackMode", "Auto");
    setOptionChoice("KXPrintDirection", "UniOnAlways");
    setOptionChoice("KXTopMP", "Driver");
    PageMetrics metrics = {3600 * 11, 3600 * 0.25f, 3600 * 10.5f};
    Sent s = send([&] { return sendJobStart(&metrics, 3600, 360, 1, 1); });
    EXPECT_EQ(s.status, 0);
    const std::string packetExit = "00 00 00 1B 01 40 5A 52 50 20 31 32 38 34 2E 34 0A "
                                   "40 5A 52 50 20 20 20 20 20 0A";
    EXPECT_EQ(s.bytes, packetExit + " " + kReset + " 1C 78 01 1B 55 01 " + kUnit +
                           " 1B 28 43 02 00 78 0F 1B 28 63 04 00 5A 00 C4 0E");

    // Other choices: no packet exit, direction 0, no page format, speed 0.
    setOptionChoice("KXPackMode", "Off");
    setOptionChoice("KXPrintDirection", "BiDirectional");
    setOptionChoice("KXTopMP", "Printer");
    s = send([&] { return sendJobStart(&metrics, 3600, 360, 0, 255); });
    EXPECT_EQ(s.bytes, kReset + " 1C 78 00 1B 55 00 " + kUnit + " 1B 28 43 02 00 78 0F");

    // "Default" direction and a disabled speed command send neither.
    setOptionChoice("KXPrintDirection", "Default");
    s = send([&] { return sendJobStart(&metrics, 3600, 360, 1, 0); });
    EXPECT_EQ(s.bytes, kReset + " " + kUnit + " 1B 28 43 02 00 78 0F");
}

TEST_F(CommandSequences, JobStartNineDotClassUnits)
{
    // Letter on the 9-pin class: 792 pt * 60 = 47520 base units = 4752 at 1/432.
    PageMetrics metrics = {792 * 60.0f, 36 * 60.0f, 756 * 60.0f};
    setOptionChoice("KXTopMP", "Driver");
    Sent s = send([&] { return sendJobStart(&metrics, 4320, 432, -1, 0); });
    EXPECT_EQ(s.bytes, kReset + " " + kUnit + " 1B 28 43 02 00 90 12 1B 28 63 04 00 D8 00 B8 11");
}

TEST_F(CommandSequences, JobStartRefusesBadArguments)
{
    EXPECT_EQ(send([&] { return sendJobStart(nullptr, 3600, 360, -1, 0); }).status, 22);
    EXPECT_EQ(send([&] { return sendJobStart(&oneInch, 0, 360, -1, 0); }).status, 22);
    EXPECT_EQ(send([&] { return sendJobStart(&oneInch, 3600, 0, -1, 0); }).bytes, "");
}

TEST_F(CommandSequences, PageEnd)
{
    Sent s = send([] { return sendPageEnd(); });
    EXPECT_EQ(s.bytes, "0C");
    setOptionChoice("InputSlot", "RollPaper");
    EXPECT_EQ(send([] { return sendPageEnd(); }).bytes, "0C"); // saving is off
    setOptionChoice("KXSvRP", "On");
    EXPECT_EQ(send([] { return sendPageEnd(); }).bytes, "1B 4A 18 1B 28 43 02 00 F0 1E");
    setOptionChoice("InputSlot", "RollPaperWide"); // equality, not prefix
    EXPECT_EQ(send([] { return sendPageEnd(); }).bytes, "0C");
}

TEST_F(CommandSequences, JobEnd)
{
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "1B 40 0D");
    setOptionChoice("InputSlot", "Tractor");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "1B 40 0D"); // tear-off not set
    setOptionChoice("KXTearOff", "On");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "0D 1B 19 43");
    setOptionChoice("InputSlot", "TractorFront");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "0D 1B 19 43");
    setOptionChoice("InputSlot", "RollPaper");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "0D 1B 19 43");
    setOptionChoice("KXSvRP", "On");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "0D 1B 19 44");
    setOptionChoice("InputSlot", "RollPaperWide"); // prefix here
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "0D 1B 19 44");
    setOptionChoice("InputSlot", "CutSheet");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "1B 40 0D");
    setOptionChoice("InputSlot", "");
    EXPECT_EQ(send([] { return sendJobEnd(); }).bytes, "1B 40 0D");
}

TEST_F(CommandSequences, WriteFailuresReportOnce)
{
    auto failing = [](auto f) {
        CaptureStream capture;
        capture.failAfterWrites = 0;
        captureBegin(&capture);
        testing::internal::CaptureStderr();
        StatusCode status = f();
        std::string err = testing::internal::GetCapturedStderr();
        captureEnd(&capture);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err, "ERROR: Print data output error.\n");
    };
    failing([] { return sendPageEnd(); });
    failing([] { return sendJobEnd(); });
    failing([] { return sendCarriageReturn(); });
    EXPECT_EQ(send([] { return sendCarriageReturn(); }).bytes, "0D");
}
