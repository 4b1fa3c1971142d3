// Printer descriptions the filter must survive, each with one outcome.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "capture_stream.h"
#include "filter_process.h"

namespace {

struct Case {
    std::string name, ppd, options;
    JobOutcome want, alt = {};
};

const std::string kPrinted = "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n";
// The job start with this page length (two bytes) and the rest of the job.
std::string jobWithLength(const std::string& length, bool band)
{
    return "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 " + length + (band ? " " + kDotBand : "") + " 0C " + kJobEnd;
}

} // namespace

TEST(HostilePpd, EveryDescriptionHasOneOutcome)
{
    TempDir dir;
    auto file = [&](const std::string& name, const std::string& text) {
        writeFile(dir.file(name), text);
        return dir.file(name);
    };
    int written = 0;
    auto ppd = [&](const std::string& extra, int model = 1, std::vector<std::string> sizes = {"Letter 612 792 18 36 594 756"}) {
        const std::string size = sizes.empty() ? "Letter" : sizes[0].substr(0, sizes[0].find(' '));
        return writePpd(dir, {model, sizes, size, extra}, "p" + std::to_string(++written));
    };
    std::string binary(3000, 0);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 89 + 13) & 0xFF);
    const JobOutcome unreadable = {2, "ERROR: Can not read PPD information.\n", ""}, noSize = {255, "ERROR: PageSize error.\n", ""};
    std::vector<Case> cases = {
        {"no PPD", "", "", unreadable},
        {"missing", dir.file("no-such.ppd"), "", unreadable},
        {"in a missing folder", dir.file("no-such/printer.ppd"), "", unreadable},
        {"a folder", dir.path, "", unreadable},
        {"empty", file("empty.ppd", ""), "", unreadable},
        {"text", file("text.ppd", "Hello printer,\nplease print this.\n"), "", unreadable},
        {"binary", file("binary.ppd", binary), "", unreadable},
        {"first line only", file("first.ppd", "*PPD-Adobe: \"4.3\"\n"), "", noSize},
        {"no page size", ppd("", 1, {}), "", noSize},
        {"zero size", ppd("", 1, {"Zero 0 0 0 0 0 0"}), "", {0, kPrinted, jobWithLength("00 00", false)}},
        {"negative size", ppd("", 1, {"Neg -612 -792 -594 -756 -18 -36"}), "", {0, kPrinted, jobWithLength("00 00", true)}},
        {"upside-down size", ppd("", 1, {"Flip 612 792 594 756 18 36"}), "", {0, kPrinted, jobWithLength("78 0F", false)}},
        {"enormous size", ppd("", 1, {"Huge 1e30 1e30 0 0 1e30 1e30"}), "", {0, kPrinted, jobWithLength("00 00", true)}},
        {"size beyond a float", ppd("", 1, {"Inf 1e40 1e40 0 0 1e40 1e40"}), "", {0, kPrinted, jobWithLength("00 00", true)}},
        {"size not numbers", ppd("", 1, {"Text abc def g h i j"}), "", {0, kPrinted, jobWithLength("00 00", false)}},
    };
    for (int model : {-1, 2, 3, 100, 2147483647})
        cases.push_back({"model " + std::to_string(model), ppd("", model), "", {22, "ERROR: The Printer is not supported.\n", ""}});
    if (geteuid() != 0) {
        const std::string locked = ppd("");
        chmod(locked.c_str(), 0);
        cases.push_back({"unreadable", locked, "", unreadable});
    }
    // A page size without its imageable area prints nothing; without its
    // dimensions the form length is 0.
    const std::string sizeOnly = "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n"
                                 "*PageSize Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *PageSize\n";
    cases.push_back({"no imageable area", ppd(sizeOnly + "*PaperDimension Letter: \"612 792\"\n", 1, {}), "",
                     {0, kPrinted, kJobStart + " 0C " + kJobEnd}});
    cases.push_back({"no paper dimension", ppd(sizeOnly + "*ImageableArea Letter: \"18 36 594 756\"\n", 1, {}), "",
                     {0, kPrinted, jobWithLength("00 00", true)}});

    // Attributes that are not numbers count as 0; a number followed by text
    // as the number; one too large for its field as the largest value.
    const std::string speed = ppdOption("KXSpeed", "High", {"Default", "High"});
    const std::string fast = "1B 40 0D 1B 50 1C 78 01 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F " + kDotBand + " 0C " + kJobEnd;
    const std::string plain = jobWithLength("78 0F", true);
    for (const auto& [attributes, out] : std::vector<std::pair<std::string, std::string>>{
             {"", plain}, {"*KXSpPseFsx: \"yes\"\n*KXSpPseBmp: \"all\"\n", plain}, {"*KXSpPseFsx: \"\"\n*KXSpPseBmp: \"-\"\n", plain},
             {"*KXSpPseFsx: \"99999999999999999999999\"\n", fast}, {"*KXSpPseFsx: \"1 please\"\n", fast}})
        cases.push_back({"attributes " + attributes, ppd(speed + attributes), "", {0, kPrinted, out}});

    // A source starting "RollPaper": the roll's tear-off at the end. A choice holds 40 characters;
    // the raster library refuses longer ones, or leaves the filter the first forty.
    const std::string rollEnd = kJobStart + " " + kDotBand + " 0C 0D 1B 19 43";
    auto slotPpd = [&](const std::string& s) { return ppd(ppdOption("InputSlot", s, {"Tractor", s}) + ppdOption("KXTearOff", "On", {"Off", "On"})); };
    const std::string forty = slotPpd("RollPaper" + std::string(31, 'X'));
    cases.push_back({"choice of 40 characters", forty, "", {0, kPrinted, rollEnd}});
    cases.push_back({"choice of 54 characters", slotPpd("RollPaper" + std::string(45, 'X')), "", {0, kPrinted, rollEnd},
                     unreadable});
    for (const std::string& options : {"InputSlot=RollPaper" + std::string(45, 'X'), std::string("InputSlot=Tractor"),
                                       "InputSlot=" + std::string(5000, 'T') + " KXTearOff=" + std::string(300, 'O'),
                                       std::string(3000, 'K') + "=" + std::string(3000, 'V')})
        cases.push_back({"options " + options.substr(0, 30), forty, options, {0, kPrinted, rollEnd}});

    const std::string conflicts = ppd(paperOptions() + "*UIConstraints: *InputSlot CutSheet *KXTearOff On\n"
                                                       "*UIConstraints: *KXTearOff On *InputSlot CutSheet\n");
    cases.push_back({"conflicting options", conflicts, "InputSlot=CutSheet KXTearOff=On", {22, "ERROR: Options conflicting.\n", ""}});
    cases.push_back({"one of them", conflicts, "KXTearOff=On", {0, kPrinted, rollEnd}});

    // Keywords differing only in case once looped the capture; either may be the speed.
    const std::string odd = ppdOption("KXSpeEd", "A", {"A"});
    const std::string real = speed + "*KXSpPseFsx: \"1\"\n";
    for (const std::string& extra : {odd + real, real + odd})
        cases.push_back({"keywords differing in case", ppd(extra), "", {0, kPrinted, fast},
                         {0, kPrinted, "1B 40 0D 1B 50 1C 78 00" + fast.substr(23)}});

    const std::vector<unsigned char> job = rawRaster({withDots(page180(48), {{0, 0}})});
    for (const Case& c : cases) {
        const ProgramRun r = runFilterOn(dir, job, c.ppd, c.options, 10000);
        EXPECT_FALSE(r.timedOut) << c.name;
        EXPECT_TRUE(sameOutcome(r, c.want) || sameOutcome(r, c.alt)) << c.name << ": " << compareOutcome(r, c.want);
    }
}
