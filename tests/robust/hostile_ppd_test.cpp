// Printer descriptions the filter must survive: missing, unreadable, not a
// PPD, unsupported models, odd page sizes, odd attribute values and choice
// names, conflicting options. Each has a defined outcome.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "robust_support.h"

namespace {

class HostilePpd : public testing::Test {
protected:
    std::string dir;
    std::vector<unsigned char> job;
    void SetUp() override
    {
        dir = testDirectory("hostile-ppd");
        RasterPage page = page180(48);
        setDot(&page, 0, 0);
        job = rawRaster({page});
    }
    std::string ppdFile(const std::string& text, const std::string& name = "printer")
    {
        std::string path = dir + "/" + name + ".ppd";
        writeTextFile(path, text);
        return path;
    }
    std::string ppdFile(const PpdText& text, const std::string& name = "printer") { return ppdFile(ppdText(text), name); }
    FilterRun run(const std::string& ppd, const std::string& options = "") { return runJobBytes(dir, job, ppd, options); }
};

void expectSetupFailure(const FilterRun& r, int status, const std::string& line)
{
    EXPECT_EQ(r.exitStatus, status);
    EXPECT_EQ(r.err, line);
    EXPECT_TRUE(r.out.empty()) << hexOf(r.out);
}

const std::string kPpdError = "ERROR: Can not read PPD information.\n";
const std::string kPrintedErr = "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n";

} // namespace

TEST_F(HostilePpd, MissingUnreadableOrNotAPpd)
{
    expectSetupFailure(run(dir + "/no-such.ppd"), 2, kPpdError);
    expectSetupFailure(run(dir + "/no-such-dir/printer.ppd"), 2, kPpdError);
    // A folder where the file should be.
    expectSetupFailure(run(dir), 2, kPpdError);
    if (geteuid() != 0) {
        std::string locked = ppdFile(PpdText{}, "locked");
        chmod(locked.c_str(), 0);
        expectSetupFailure(run(locked), 2, kPpdError);
    }
    expectSetupFailure(run(ppdFile("", "empty")), 2, kPpdError);
    expectSetupFailure(run(ppdFile("Hello printer,\nplease print this.\n", "text")), 2, kPpdError);
    std::string binary;
    for (int i = 0; i < 3000; ++i)
        binary += static_cast<char>((i * 89 + 13) & 0xFF);
    expectSetupFailure(run(ppdFile(binary, "binary")), 2, kPpdError);
    // The first line alone.
    expectSetupFailure(run(ppdFile("*PPD-Adobe: \"4.3\"\n", "header-only")), 255,
                       "ERROR: PageSize error.\n");
}

TEST_F(HostilePpd, ModelNumbersOtherThanTheTwoClasses)
{
    for (int model : {-1, 2, 3, 100, 2147483647}) {
        PpdText text;
        text.modelNumber = model;
        expectSetupFailure(run(ppdFile(text)), 22, "ERROR: The Printer is not supported.\n");
    }
}

TEST_F(HostilePpd, PageSizesNegativeZeroOrEnormous)
{
    struct Case {
        const char* what;
        const char* entry; // name width length left bottom right top
        const char* length; // the page length command's two bytes
        bool prints;        // the band reaches the paper
    };
    for (Case c : {Case{"zero", "Zero 0 0 0 0 0 0", "00 00", false},
                   Case{"negative", "Neg -612 -792 -594 -756 -18 -36", "00 00", true},
                   Case{"upside down", "Flip 612 792 594 756 18 36", "78 0F", false},
                   Case{"enormous", "Huge 1e30 1e30 0 0 1e30 1e30", "00 00", true},
                   Case{"beyond single precision", "Inf 1e40 1e40 0 0 1e40 1e40", "00 00", true},
                   Case{"not numbers", "Text abc def g h i j", "00 00", false}}) {
        PpdText text;
        text.pageSizes = {c.entry};
        text.defaultPageSize = std::string(c.entry).substr(0, std::string(c.entry).find(' '));
        FilterRun r = run(ppdFile(text));
        EXPECT_EQ(r.exitStatus, 0) << c.what;
        EXPECT_EQ(r.err, kPrintedErr) << c.what;
        EXPECT_EQ(hexOf(r.out), std::string("1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 ") + c.length +
                                    (c.prints ? " " + kDotBand : "") + " 0C " + kJobEnd)
            << c.what;
    }
}

TEST_F(HostilePpd, PageSizeWithoutItsAreaOrDimensions)
{
    const std::string sizeOnly = "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n"
                                 "*PageSize Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *PageSize\n";
    PpdText text;
    text.pageSizes.clear();
    // No imageable area: nothing of the page is printable.
    text.extra = sizeOnly + "*PaperDimension Letter: \"612 792\"\n";
    FilterRun r = run(ppdFile(text, "no-area"));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, kPrintedErr);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 0C " + kJobEnd);
    // No paper dimension: the page length is 0.
    text.extra = sizeOnly + "*ImageableArea Letter: \"18 36 594 756\"\n";
    r = run(ppdFile(text, "no-dimension"));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 00 00 " + kDotBand + " 0C " + kJobEnd);
    // No page size at all.
    text.extra.clear();
    expectSetupFailure(run(ppdFile(text, "no-size")), 255, "ERROR: PageSize error.\n");
}

TEST_F(HostilePpd, AttributeValuesThatAreNotNumbers)
{
    const std::string speed = "*OpenUI *KXSpeed/Speed: PickOne\n*DefaultKXSpeed: High\n"
                              "*KXSpeed Default/Default: \"\"\n*KXSpeed High/High: \"\"\n*CloseUI: *KXSpeed\n";
    auto output = [&](const std::string& attributes) {
        PpdText text;
        text.extra = speed + attributes;
        FilterRun r = run(ppdFile(text));
        EXPECT_EQ(r.exitStatus, 0) << attributes;
        EXPECT_EQ(r.err, kPrintedErr) << attributes;
        return hexOf(r.out);
    };
    const std::string plain = output("");
    EXPECT_EQ(plain, kJobStart + " " + kDotBand + " 0C " + kJobEnd);
    // Not numbers: the attributes count as 0, as if absent.
    EXPECT_EQ(output("*KXSpPseFsx: \"yes\"\n*KXSpPseBmp: \"all\"\n"), plain);
    EXPECT_EQ(output("*KXSpPseFsx: \"\"\n*KXSpPseBmp: \"-\"\n"), plain);
    EXPECT_EQ(output("*KXSpPseFsx: \"99999999999999999999999\"\n"), output("*KXSpPseFsx: \"255\"\n"));
    // A number followed by text counts as the number: the speed command.
    EXPECT_EQ(output("*KXSpPseFsx: \"1 please\"\n"),
              "1B 40 0D 1B 50 1C 78 01 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F " + kDotBand + " 0C " + kJobEnd);
}

TEST_F(HostilePpd, ChoiceNamesOverFortyCharacters)
{
    auto slotPpd = [&](const std::string& slot) {
        PpdText text;
        text.extra = "*OpenUI *InputSlot/Paper Source: PickOne\n*DefaultInputSlot: " + slot +
                     "\n*InputSlot Tractor/Tractor: \"\"\n*InputSlot " + slot + "/Long: \"\"\n*CloseUI: *InputSlot\n"
                     "*OpenUI *KXTearOff/Tear-Off: PickOne\n*DefaultKXTearOff: On\n*KXTearOff Off/Off: \"\"\n"
                     "*KXTearOff On/On: \"\"\n*CloseUI: *KXTearOff\n";
        return ppdFile(text, "slot" + std::to_string(slot.size()));
    };
    // A roll-paper source that is not exactly "RollPaper": a form feed per
    // page and the roll tear-off command at the end.
    const std::string rollEnd = kJobStart + " " + kDotBand + " 0C 0D 1B 19 43";

    // Forty characters, the most a choice holds.
    const std::string ppd = slotPpd("RollPaper" + std::string(31, 'X'));
    FilterRun r = run(ppd);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, kPrintedErr);
    EXPECT_EQ(hexOf(r.out), rollEnd);

    // Longer: the raster library refuses the description; one that reads it
    // leaves the filter the first 40 characters, with the same result.
    r = run(slotPpd("RollPaper" + std::string(45, 'X')));
    if (r.exitStatus == 2) {
        EXPECT_EQ(r.err, kPpdError);
        EXPECT_TRUE(r.out.empty());
    } else {
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(hexOf(r.out), rollEnd);
    }

    // An options text naming a longer choice, or long unknown ones: ignored.
    for (const std::string& options : {"InputSlot=RollPaper" + std::string(45, 'X'),
                                       "InputSlot=" + std::string(5000, 'T') + " KXTearOff=" + std::string(300, 'O'),
                                       std::string(3000, 'K') + "=" + std::string(3000, 'V')}) {
        r = run(ppd, options);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(hexOf(r.out), rollEnd);
    }
    r = run(ppd, "InputSlot=Tractor");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + kDotBand + " 0C 0D 1B 19 43");
}

TEST_F(HostilePpd, ConflictingOptionsEndTheJobBeforeItStarts)
{
    PpdText text;
    text.extra = "*OpenUI *InputSlot/Paper Source: PickOne\n*DefaultInputSlot: Tractor\n"
                 "*InputSlot CutSheet/Cut Sheet: \"\"\n*InputSlot Tractor/Tractor: \"\"\n*CloseUI: *InputSlot\n"
                 "*OpenUI *KXTearOff/Tear-Off: PickOne\n*DefaultKXTearOff: Off\n*KXTearOff Off/Off: \"\"\n"
                 "*KXTearOff On/On: \"\"\n*CloseUI: *KXTearOff\n"
                 "*UIConstraints: *InputSlot CutSheet *KXTearOff On\n"
                 "*UIConstraints: *KXTearOff On *InputSlot CutSheet\n";
    const std::string ppd = ppdFile(text);
    expectSetupFailure(run(ppd, "InputSlot=CutSheet KXTearOff=On"), 22, "ERROR: Options conflicting.\n");
    // Each alone is fine.
    FilterRun r = run(ppd, "KXTearOff=On");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + kDotBand + " 0C 0D 1B 19 43");
}

TEST_F(HostilePpd, OptionsWhoseKeywordsDifferOnlyInCaseDoNotHangTheSetup)
{
    // The raster library finds options regardless of letter case; with two
    // such options the capture once went round them for ever.
    const std::string odd = "*OpenUI *KXSpeEd/Odd: PickOne\n*DefaultKXSpeEd: A\n*KXSpeEd A/A: \"\"\n*CloseUI: *KXSpeEd\n";
    const std::string real = "*OpenUI *KXSpeed/Speed: PickOne\n*DefaultKXSpeed: High\n*KXSpeed High/High: \"\"\n"
                             "*CloseUI: *KXSpeed\n*KXSpPseFsx: \"1\"\n";
    for (const std::string& extra : {odd + real, real + odd}) {
        PpdText text;
        text.extra = extra;
        LiveFilter filter = startFilter("", ppdFile(text), dir);
        ASSERT_TRUE(feedFilter(&filter, job.data(), job.size()));
        FilterRun r = finishFilter(&filter, 10000);
        EXPECT_EQ(r.signal, 0) << "the filter had to be killed";
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, kPrintedErr);
        // Which of the two the raster library reports as the speed choice
        // is its affair; either way the speed command is sent.
        const std::string out = hexOf(r.out);
        const std::string rest = " 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F " + kDotBand + " 0C " + kJobEnd;
        EXPECT_TRUE(out == "1B 40 0D 1B 50 1C 78 01" + rest || out == "1B 40 0D 1B 50 1C 78 00" + rest) << out;
    }
}
