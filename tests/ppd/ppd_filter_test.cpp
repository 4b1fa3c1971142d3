// The generated printer descriptions against the filter: modes, choice names, page sizes, sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <cups/ppd.h>

#include "capture_stream.h"
#include "decoded.h"
#include "filter_process.h"
#include "engine/printer/graphics_modes.h"
#include "engine/job/job_setup.h"
#include "engine/printer/page_end.h"
#include "filter/ppd_settings.h"

using namespace impact;

namespace {

struct Ppd {
    std::string path;
    int model;
    uint16_t flags;     // KXSpPseBmp
    uint8_t speedFlags; // KXSpPseFsx
    std::vector<std::string> resolutions, speeds, sizes;
};

std::vector<std::string> choicesOf(ppd_file_t* ppd, const char* keyword)
{
    std::vector<std::string> names;
    ppd_option_t* option = ppdFindOption(ppd, keyword);
    for (int i = 0; option != nullptr && i < option->num_choices; ++i)
        names.push_back(option->choices[i].choice);
    return names;
}

// One description per printer class, 9-pin first.
std::vector<Ppd> loadPpds()
{
    std::vector<Ppd> ppds;
    std::istringstream names(IMPACT_PPD_NAMES);
    for (std::string name; std::getline(names, name, ',');) {
        const std::string path = std::string(IMPACT_PPD_DIR) + "/" + name;
        ppd_file_t* ppd = ppdOpenFile(path.c_str());
        if (ppd == nullptr)
            continue;
        auto attribute = [ppd](const char* keyword) {
            ppd_attr_t* attr = ppdFindAttr(ppd, keyword, nullptr);
            return attr != nullptr && attr->value != nullptr ? attributeNumber(attr->value) : 0;
        };
        ppds.push_back({path, ppd->model_number, static_cast<uint16_t>(attribute("KXSpPseBmp")),
                        static_cast<uint8_t>(attribute("KXSpPseFsx")), choicesOf(ppd, "Resolution"), choicesOf(ppd, "KXSpeed"),
                        choicesOf(ppd, "PageSize")});
        ppdClose(ppd);
    }
    std::sort(ppds.begin(), ppds.end(), [](const Ppd& a, const Ppd& b) { return a.model < b.model; });
    EXPECT_TRUE(ppds.size() == 2 && ppds[0].model == 0 && ppds[1].model == 1) << IMPACT_PPD_NAMES;
    return ppds;
}

// The page header the spooler's rasterizer makes from the description for these options.
cups_page_header2_t headerFor(const std::string& path, const std::string& options)
{
    cups_page_header2_t header = {};
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    ppdMarkDefaults(ppd);
    cups_option_t* list = nullptr;
    const int count = cupsParseOptions(options.c_str(), 0, &list);
    cupsMarkOptions(ppd, count, list);
    cupsFreeOptions(count, list);
    EXPECT_EQ(cupsRasterInterpretPPD(&header, ppd, 0, nullptr, nullptr), 0) << path << " " << options;
    ppdClose(ppd);
    return header;
}

// One page with a block of ink two bands high, an inch from the left and the top.
std::vector<unsigned char> inkedPage(const cups_page_header2_t& header)
{
    RasterPage page = blankPage(header.cupsWidth, header.cupsHeight, header.HWResolution[0], header.HWResolution[1], 0);
    page.header = header;
    for (uint32_t y = header.HWResolution[1]; y < header.HWResolution[1] + 2 * header.cupsRowCount; ++y)
        for (uint32_t x = header.HWResolution[0]; x < header.HWResolution[0] + 64 && x < header.cupsWidth; ++x)
            setDot(&page, x, y);
    return rasterBytes({page});
}

// The job's settings as the filter reads them from the description and the options.
JobResult setupWith(TestJob* job, const Ppd& ppd, const std::string& options)
{
    JobSettings settings;
    const JobResult result = settingsFromPpd(ppd.path.c_str(), options.c_str(), &job->state.host.reports, &settings);
    return result != JobResult::Success ? result : configureJob(&job->state, &settings);
}

// The dimensions the description gives a page size.
std::pair<float, float> dimensionsOf(const Ppd& info, const std::string& size)
{
    ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
    const ppd_size_t* found = ppdPageSize(ppd, size.c_str());
    const std::pair<float, float> dimensions = found != nullptr ? std::pair{found->width, found->length} : std::pair{0.0f, 0.0f};
    ppdClose(ppd);
    return dimensions;
}

} // namespace

// Every resolution and speed prints in the mode the table gives (a missing mode refuses the job).
TEST(PrinterDescriptions, FilterPrintsAPageAtEveryResolutionAndSpeed)
{
    TempDir dir;
    for (const Ppd& ppd : loadPpds()) {
        EXPECT_GE(ppd.resolutions.size(), 3u) << ppd.path;
        for (const std::string& resolution : ppd.resolutions)
            for (const std::string& speed : ppd.speeds) {
                const std::string options = "Resolution=" + resolution + " KXSpeed=" + speed;
                SCOPED_TRACE(ppd.path + " " + options);
                const cups_page_header2_t h = headerFor(ppd.path, options);
                EXPECT_TRUE(h.cupsColorSpace == CUPS_CSPACE_K && h.cupsBitsPerColor == 1 && h.cupsBitsPerPixel == 1);
                // The printer's band: 8 pins, or 24 in one pass at 180 dpi and two at 360.
                EXPECT_EQ(h.cupsRowCount, ppd.model == 0 ? 8u : h.HWResolution[1] == 360 ? 48u : 24u);
                uint8_t mode = 0;
                ASSERT_TRUE(findGraphicsMode(h.HWResolution[0], h.HWResolution[1], h.cupsRowCount,
                                             speed.find("High") != std::string::npos, ppd.flags, &mode));
                const ProgramRun r = runFilterOn(dir, inkedPage(h), ppd.path, options);
                ASSERT_EQ(r.exitStatus, 0) << r.err;
                const DecodedStream d = decodeBytes(r.out, ppd.model == 0 ? 9 : 24);
                // One page with two bands of ink.
                ASSERT_TRUE(!d.failed && d.pages.size() == 1 && d.pages[0].images.size() == 2) << describeError(d);
                const auto& images = d.pages[0].images;
                EXPECT_TRUE(images[0].mode == mode && images[1].mode == mode) << int(images[0].mode) << " " << int(images[1].mode);
                EXPECT_EQ(hexBytes(std::vector<unsigned char>(r.out.end() - 4, r.out.end())), "0C 1B 40 0D");
            }
    }
}

// A renamed choice would silently switch the paper handling off.
TEST(PrinterDescriptions, OfferTheChoicesTheFilterActsOn)
{
    for (const Ppd& info : loadPpds()) {
        ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
        for (const auto& [keyword, choices] : std::vector<std::pair<const char*, std::vector<const char*>>>{
                 {"InputSlot", {"Tractor", "RollPaper", "CutSheet"}}, {"KXSpeed", {"Default"}}, {"KXPrintDirection", {"Default"}},
                 {"KXTopMP", {"Driver", "Printer"}}, {"KXPackMode", {"Auto", "Off"}}, {"KXSvRP", {"On", "Off"}},
                 {"KXTearOff", {"On", "Off"}}})
            for (const char* choice : choices)
                EXPECT_NE(ppdFindChoice(ppdFindOption(ppd, keyword), choice), nullptr) << info.path << " " << keyword << "=" << choice;
        // Besides "Default": one high and one normal speed, one uni- and one bidirectional.
        for (const auto& [keyword, marker] : {std::pair{"KXSpeed", "High"}, std::pair{"KXPrintDirection", "UniOn"}}) {
            const std::vector<std::string> choices = choicesOf(ppd, keyword);
            const auto marked = std::count_if(choices.begin(), choices.end(), [m = marker](const std::string& c) { return c.find(m) != std::string::npos; });
            EXPECT_TRUE(marked == 1 && choices.size() == 3u) << info.path << " " << keyword;
        }
        // Every choice fits the filter's option table.
        for (const char* keyword : kOptionKeywords)
            for (const std::string& c : choicesOf(ppd, keyword))
                EXPECT_LT(c.size(), static_cast<size_t>(kOptionTextSize)) << keyword << " " << c;
        ppdClose(ppd);
    }
}

// Each page size (custom too) sets up a job the printer can print across; the sources pick the job end.
TEST(PrinterDescriptions, EveryPageSizeAndPaperSourceSetsUpAJob)
{
    for (const Ppd& ppd : loadPpds()) {
        uint32_t widest = 0;
        for (const std::string& r : ppd.resolutions)
            widest = std::max<uint32_t>(widest, static_cast<uint32_t>(std::stoi(r)));
        std::vector<std::string> sizes = ppd.sizes;
        sizes.erase(std::remove(sizes.begin(), sizes.end(), "Custom"), sizes.end()); // stands for the sizes given by dimensions
        ASSERT_GE(sizes.size(), 8u);
        sizes.push_back("Custom.8.5x6in");
        for (const std::string& size : sizes) {
            TestJob job;
            ASSERT_EQ(setupWith(&job, ppd, "PageSize=" + size), JobResult::Success) << ppd.path << " " << size;
            EXPECT_EQ(job.state.units.baseDpi, (ppd.model == 0 ? kUnitsNinePin : kUnitsTwentyFourPin).baseDpi);
            EXPECT_TRUE(job.state.settings.graphicsFlags == ppd.flags && job.state.settings.speedCommand == (ppd.speedFlags != 0));
            const PageGeometry& page = job.state.settings.page;
            const auto [width, length] = size == "Custom.8.5x6in" ? std::pair{612.0f, 432.0f} : dimensionsOf(ppd, size);
            EXPECT_TRUE(page.width == width && page.length == length) << size << ": " << page.width << "x" << page.length;
            // A printable area inside the form, narrow enough at the finest resolution.
            EXPECT_TRUE(page.left >= 0 && page.right > page.left && page.right <= page.width) << size;
            EXPECT_TRUE(page.bottom >= 0 && page.top > page.bottom && page.top <= page.length) << size;
            EXPECT_LE((page.right - page.left) * widest / 72, 8191.0f) << size;
            teardownJob(&job.state);
        }
        for (const auto& [options, jobEnd] : std::vector<std::pair<std::string, std::string>>{
                 {"", "1B 40 0D"}, {"InputSlot=TractorFront KXTearOff=On", "0D 1B 19 43"},
                 {"InputSlot=RollPaper KXTearOff=On KXSvRP=On", "0D 1B 19 44"}, {"InputSlot=CutSheet KXTearOff=On", "1B 40 0D"}}) {
            TestJob job;
            ASSERT_EQ(setupWith(&job, ppd, options), JobResult::Success) << ppd.path << " " << options;
            EXPECT_EQ(teardownJob(&job.state), JobResult::Success);
            EXPECT_EQ(job.hex(), jobEnd) << ppd.path << " " << options;
        }
    }
}
