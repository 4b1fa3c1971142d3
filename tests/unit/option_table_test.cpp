#include <gtest/gtest.h>

#include <cups/ppd.h>

#include "settings/option_table.h"
#include "test_files.h"

namespace {

ppd_file_t* openPpd(const std::string& extra, const std::string& name = "opt")
{
    PpdText text;
    text.extra = extra;
    std::string dir = testDirectory(name);
    std::string path = dir + "/test.ppd";
    writeTextFile(path, ppdText(text));
    return ppdOpenFile(path.c_str());
}

const char* kOptions =
    "*OpenUI *InputSlot/Paper Source: PickOne\n*OrderDependency: 20 AnySetup *InputSlot\n"
    "*DefaultInputSlot: TractorRear\n"
    "*InputSlot TractorRear/Rear Tractor: \"\"\n*InputSlot RollPaper/Roll: \"\"\n"
    "*CloseUI: *InputSlot\n"
    "*OpenUI *KXSpeed/Speed: PickOne\n*OrderDependency: 20 AnySetup *KXSpeed\n*DefaultKXSpeed: Default\n"
    "*KXSpeed Default/Printer Setting: \"\"\n*KXSpeed High/High: \"\"\n"
    "*KXSpeed ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn/Longest: \"\"\n"
    "*CloseUI: *KXSpeed\n"
    "*OpenUI *kxtearoff/Tear-off in the wrong case: PickOne\n*OrderDependency: 20 AnySetup *kxtearoff\n"
    "*Defaultkxtearoff: On\n*kxtearoff On/On: \"\"\n*kxtearoff Off/Off: \"\"\n*CloseUI: *kxtearoff\n";

} // namespace

TEST(OptionTable, CapturesDefaultsAndMarkedChoices)
{
    ppd_file_t* ppd = openPpd(kOptions);
    ASSERT_NE(ppd, nullptr);
    ppdMarkDefaults(ppd);
    clearOptions();
    ASSERT_EQ(captureOptions(ppd), 0);
    EXPECT_STREQ(optionLookup("InputSlot"), "TractorRear");
    EXPECT_STREQ(optionLookup("KXSpeed"), "Default");
    EXPECT_STREQ(optionLookup("PageSize"), "Letter");
    // Not defined by the PPD (and a keyword differing only in case is not it).
    EXPECT_EQ(optionLookup("KXTearOff"), nullptr);
    EXPECT_EQ(optionEquals("KXTearOff", "On"), 0);
    EXPECT_EQ(optionLookup("KXSvRP"), nullptr);

    ppdMarkOption(ppd, "KXSpeed", "High");
    ASSERT_EQ(captureOptions(ppd), 0);
    EXPECT_STREQ(optionLookup("KXSpeed"), "High");

    // The longest choice a PPD may hold: 40 characters, kept whole.
    ppdMarkOption(ppd, "KXSpeed", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn");
    ASSERT_EQ(captureOptions(ppd), 0);
    EXPECT_STREQ(optionLookup("KXSpeed"), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn");
    // A longer text is cut to its first 40 characters.
    ASSERT_EQ(setOptionChoice("KXSpeed", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"), 0);
    EXPECT_STREQ(optionLookup("KXSpeed"), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn");
    ppdClose(ppd);
    EXPECT_EQ(captureOptions(nullptr), 22);
    clearOptions();
}

TEST(OptionTable, EqualityIsWholeStringPrefixIsBounded)
{
    clearOptions();
    ASSERT_EQ(setOptionChoice("InputSlot", "TractorRear"), 0);
    EXPECT_EQ(optionHasPrefix("InputSlot", "Tractor", 7), 1);
    EXPECT_EQ(optionEquals("InputSlot", "Tractor"), 0);
    EXPECT_EQ(optionEquals("InputSlot", "TractorRear"), 1);
    EXPECT_EQ(optionEquals("InputSlot", "tractorrear"), 0);
    EXPECT_EQ(optionHasPrefix("InputSlot", "Tractor", 0), 0);
    EXPECT_EQ(optionHasPrefix("InputSlot", nullptr, 7), 0);
    EXPECT_EQ(optionHasPrefix("InputSlot", "TractorRearAndMore", 30), 0);
    EXPECT_EQ(optionHasPrefix("InputSlot", "TractorRear", 30), 1); // stops at the terminator
    EXPECT_EQ(optionLookup(nullptr), nullptr);
    EXPECT_EQ(optionLookup("NoSuchKeyword"), nullptr);
    EXPECT_EQ(setOptionChoice("NoSuchKeyword", "x"), 22);

    // An empty choice is the same as not set.
    ASSERT_EQ(setOptionChoice("InputSlot", ""), 0);
    EXPECT_EQ(optionLookup("InputSlot"), nullptr);
    EXPECT_EQ(optionHasPrefix("InputSlot", "", 1), 0);
    clearOptions();
}
