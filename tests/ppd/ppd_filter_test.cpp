// The generated printer descriptions against the filter: every resolution
// they offer has a graphics mode, every page size and paper source sets up
// a job, the choice names reach the filter's paper-handling decisions, and
// the filter prints a one-page job at every resolution.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include <cups/ppd.h>
#include <cups/raster.h>

#include "output/output_channel.h"
#include "printer/graphics_modes.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"
#include "settings/option_table.h"

namespace {

struct PpdInfo {
    std::string path;
    int modelNumber;
    uint16_t flags;     // KXSpPseBmp
    uint8_t speedFlags; // KXSpPseFsx
};

std::vector<std::string> ppdPaths()
{
    std::vector<std::string> paths;
    std::string names = IMPACT_PPD_NAMES; // "a.ppd,b.ppd"
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find(',', start);
        if (end == std::string::npos)
            end = names.size();
        if (end > start)
            paths.push_back(std::string(IMPACT_PPD_DIR) + "/" + names.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

long attributeOf(ppd_file_t* ppd, const char* name)
{
    ppd_attr_t* attr = ppdFindAttr(ppd, name, nullptr);
    return attr != nullptr && attr->value != nullptr ? attributeNumber(attr->value) : 0;
}

std::vector<PpdInfo> loadPpds()
{
    std::vector<PpdInfo> infos;
    for (const std::string& path : ppdPaths()) {
        ppd_file_t* ppd = ppdOpenFile(path.c_str());
        EXPECT_NE(ppd, nullptr) << path;
        if (ppd == nullptr)
            continue;
        infos.push_back({path, ppd->model_number, static_cast<uint16_t>(attributeOf(ppd, "KXSpPseBmp")),
                         static_cast<uint8_t>(attributeOf(ppd, "KXSpPseFsx"))});
        ppdClose(ppd);
    }
    return infos;
}

std::vector<std::string> choicesOf(ppd_file_t* ppd, const char* keyword)
{
    std::vector<std::string> names;
    ppd_option_t* option = ppdFindOption(ppd, keyword);
    if (option == nullptr)
        return names;
    for (int i = 0; i < option->num_choices; ++i)
        names.push_back(option->choices[i].choice);
    return names;
}

// The raster page header the spooler's rasterizer would make for these
// options, from the PPD's own setpagedevice code.
bool headerFor(const std::string& path, const std::string& options, cups_page_header2_t* header)
{
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (ppd == nullptr)
        return false;
    ppdMarkDefaults(ppd);
    cups_option_t* list = nullptr;
    int count = cupsParseOptions(options.c_str(), 0, &list);
    cupsMarkOptions(ppd, count, list);
    cupsFreeOptions(count, list);
    int result = cupsRasterInterpretPPD(header, ppd, 0, nullptr, nullptr);
    ppdClose(ppd);
    return result == 0;
}

// A one-page raster file with a solid block of ink two bands high, one inch
// from the left and one inch from the top of the raster.
bool writeRaster(const std::string& path, cups_page_header2_t header)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
    bool ok = raster != nullptr && cupsRasterWriteHeader2(raster, &header) != 0;
    std::vector<unsigned char> line(header.cupsBytesPerLine);
    const uint32_t top = header.HWResolution[1];
    const uint32_t left = header.HWResolution[0];
    for (uint32_t y = 0; ok && y < header.cupsHeight; ++y) {
        std::fill(line.begin(), line.end(), 0);
        if (y >= top && y < top + 2 * header.cupsRowCount)
            for (uint32_t x = left; x < left + 64 && x < header.cupsWidth; ++x)
                line[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        ok = cupsRasterWritePixels(raster, line.data(), header.cupsBytesPerLine) == header.cupsBytesPerLine;
    }
    if (raster != nullptr)
        cupsRasterClose(raster);
    ::close(fd);
    return ok;
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

bool endsWith(const std::vector<unsigned char>& bytes, std::initializer_list<unsigned char> tail)
{
    return bytes.size() >= tail.size() && std::equal(tail.begin(), tail.end(), bytes.end() - tail.size());
}

// Mode bytes of every bit-image command (ESC "*" m nL nH) in the stream,
// walking the commands the filter sends so image data is never mistaken
// for a command.
std::vector<int> imageModes(const std::vector<unsigned char>& bytes, int rowBytes)
{
    std::vector<int> modes;
    for (size_t i = 0; i + 4 < bytes.size(); ++i) {
        if (bytes[i] != 0x1B || bytes[i + 1] != '*')
            continue;
        modes.push_back(bytes[i + 2]);
        size_t columns = bytes[i + 3] | (bytes[i + 4] << 8);
        i += 4 + columns * rowBytes;
    }
    return modes;
}

struct Capture {
    std::vector<unsigned char> bytes;
};

size_t captureWrite(void* context, const unsigned char* bytes, size_t count)
{
    auto* capture = static_cast<Capture*>(context);
    capture->bytes.insert(capture->bytes.end(), bytes, bytes + count);
    return count;
}

// setupJob with these options and a raster stream to open; the PPD named
// through the environment as the spooler does.
StatusCode setupWith(const std::string& ppd, const std::string& options, const std::string& raster, JobState* state)
{
    ::setenv("PPD", ppd.c_str(), 1);
    *state = JobState{};
    int fd = ::open(raster.c_str(), O_RDONLY);
    if (fd < 0)
        return -100;
    StatusCode status = setupJob(state, options.c_str(), fd);
    if (state->raster == nullptr)
        ::close(fd);
    return status;
}

// teardownJob's job end bytes; the raster descriptor is closed afterwards.
std::vector<unsigned char> teardownBytes(JobState* state)
{
    Capture capture;
    OutputStream stream{captureWrite, nullptr, &capture};
    const OutputStream* previous = setOutputStream(&stream);
    teardownJob(state);
    setOutputStream(previous);
    return capture.bytes;
}

class PrinterDescriptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/impact-ppd-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        tempDir = dir;
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + tempDir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string tempDir;
};

TEST_F(PrinterDescriptions, OneDescriptionPerPrinterClass)
{
    std::vector<PpdInfo> ppds = loadPpds();
    ASSERT_EQ(ppds.size(), 2u);
    std::vector<int> models;
    for (const PpdInfo& info : ppds)
        models.push_back(info.modelNumber);
    std::sort(models.begin(), models.end());
    EXPECT_EQ(models, (std::vector<int>{0, 1}));
}

// Every resolution at every speed choice must have a graphics mode, or the
// filter refuses the job on its first page.
TEST_F(PrinterDescriptions, EveryResolutionHasAGraphicsModeAtEverySpeed)
{
    for (const PpdInfo& info : loadPpds()) {
        ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
        ASSERT_NE(ppd, nullptr);
        std::vector<std::string> resolutions = choicesOf(ppd, "Resolution");
        std::vector<std::string> speeds = choicesOf(ppd, "KXSpeed");
        ppdClose(ppd);
        EXPECT_GE(resolutions.size(), 3u) << info.path;
        ASSERT_FALSE(speeds.empty()) << info.path;
        for (const std::string& resolution : resolutions) {
            for (const std::string& speedChoice : speeds) {
                SCOPED_TRACE(info.path + " Resolution=" + resolution + " KXSpeed=" + speedChoice);
                cups_page_header2_t header;
                ASSERT_TRUE(headerFor(info.path, "Resolution=" + resolution + " KXSpeed=" + speedChoice, &header));
                EXPECT_EQ(header.cupsColorSpace, CUPS_CSPACE_K);
                EXPECT_EQ(header.cupsBitsPerColor, 1u);
                EXPECT_EQ(header.cupsBitsPerPixel, 1u);
                // The band height is the printer's: 8 pins, or 24 pins in
                // one pass at 180 dpi and two at 360 dpi.
                uint32_t rows = info.modelNumber == 0 ? 8 : header.HWResolution[1] == 360 ? 48 : 24;
                EXPECT_EQ(header.cupsRowCount, rows);
                uint32_t speed = speedChoice.find("High") != std::string::npos ? 1 : 0;
                EXPECT_TRUE(findGraphicsMode(header.HWResolution[0], header.HWResolution[1], header.cupsRowCount,
                                             speed, info.flags, nullptr));
            }
        }
    }
}

// The choice names the filter tests for: a rename in the descriptions
// would silently switch the paper handling off.
TEST_F(PrinterDescriptions, OfferTheChoicesTheFilterActsOn)
{
    for (const PpdInfo& info : loadPpds()) {
        SCOPED_TRACE(info.path);
        ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
        ASSERT_NE(ppd, nullptr);
        auto has = [&](const char* keyword, const char* choice) {
            return ppdFindChoice(ppdFindOption(ppd, keyword), choice) != nullptr;
        };
        EXPECT_TRUE(has("InputSlot", "Tractor"));
        EXPECT_TRUE(has("InputSlot", "RollPaper"));
        EXPECT_TRUE(has("InputSlot", "CutSheet"));
        EXPECT_TRUE(has("KXSpeed", "Default"));
        EXPECT_TRUE(has("KXPrintDirection", "Default"));
        EXPECT_TRUE(has("KXTopMP", "Driver"));
        EXPECT_TRUE(has("KXTopMP", "Printer"));
        EXPECT_TRUE(has("KXPackMode", "Auto"));
        EXPECT_TRUE(has("KXPackMode", "Off"));
        for (const char* keyword : {"KXSvRP", "KXTearOff"}) {
            EXPECT_TRUE(has(keyword, "On")) << keyword;
            EXPECT_TRUE(has(keyword, "Off")) << keyword;
        }
        // Besides "Default": one high and one normal speed, one
        // unidirectional and one bidirectional choice.
        int high = 0, normal = 0, uni = 0, bi = 0;
        for (const std::string& c : choicesOf(ppd, "KXSpeed")) {
            if (c == "Default")
                continue;
            ++(c.find("High") != std::string::npos ? high : normal);
        }
        for (const std::string& c : choicesOf(ppd, "KXPrintDirection")) {
            if (c == "Default")
                continue;
            ++(c.find("UniOn") != std::string::npos ? uni : bi);
        }
        EXPECT_EQ(high, 1);
        EXPECT_EQ(normal, 1);
        EXPECT_EQ(uni, 1);
        EXPECT_EQ(bi, 1);
        // Every choice fits the filter's 40-character option table.
        for (const char* keyword : {"PageSize", "InputSlot", "KXSpeed", "KXPrintDirection", "KXTopMP",
                                    "KXPackMode", "KXSvRP", "KXTearOff"})
            for (const std::string& c : choicesOf(ppd, keyword))
                EXPECT_LE(c.size(), 40u) << keyword << " " << c;
        ppdClose(ppd);
    }
}

// Each page size, the custom one included, sets up a job of the right
// class with a page the printer can print across.
TEST_F(PrinterDescriptions, EveryPageSizeSetsUpAJob)
{
    cups_page_header2_t header;
    for (const PpdInfo& info : loadPpds()) {
        ASSERT_TRUE(headerFor(info.path, "", &header));
        const std::string raster = tempDir + "/page.ras";
        ASSERT_TRUE(writeRaster(raster, header));
        ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
        ASSERT_NE(ppd, nullptr);
        std::vector<std::string> sizes = choicesOf(ppd, "PageSize");
        uint32_t widestHdpi = 0;
        ppd_option_t* resolution = ppdFindOption(ppd, "Resolution");
        ASSERT_NE(resolution, nullptr);
        for (int i = 0; i < resolution->num_choices; ++i) {
            int x = std::atoi(resolution->choices[i].choice);
            widestHdpi = std::max<uint32_t>(widestHdpi, static_cast<uint32_t>(x));
        }
        ppdClose(ppd);
        // The bare "Custom" choice stands for the sizes given with their
        // dimensions; take one such size instead.
        sizes.erase(std::remove(sizes.begin(), sizes.end(), "Custom"), sizes.end());
        ASSERT_GE(sizes.size(), 8u);
        sizes.push_back("Custom.8.5x6in");

        for (const std::string& size : sizes) {
            SCOPED_TRACE(info.path + " PageSize=" + size);
            JobState state;
            ASSERT_EQ(setupWith(info.path, "PageSize=" + size, raster, &state), 0);
            const PrinterUnits expected = info.modelNumber == 0 ? kUnitsModel0 : kUnitsModel1;
            EXPECT_EQ(state.units.baseDpi, expected.baseDpi);
            EXPECT_EQ(state.units.feedDpi, expected.feedDpi);
            EXPECT_EQ(state.graphicsFlags, info.flags);
            EXPECT_EQ(state.speedCommandEnabled, info.speedFlags);
            const ppd_size_t& page = state.pageSize;
            if (size.rfind("Custom.", 0) == 0) {
                EXPECT_FLOAT_EQ(page.width, 612.0f);
                EXPECT_FLOAT_EQ(page.length, 432.0f); // the form length, 6 inches
            } else {
                EXPECT_STREQ(page.name, size.c_str());
            }
            // A printable area inside the form, narrow enough for the
            // printer at its finest horizontal resolution.
            EXPECT_GE(page.left, 0.0f);
            EXPECT_GT(page.right, page.left);
            EXPECT_LE(page.right, page.width);
            EXPECT_GE(page.bottom, 0.0f);
            EXPECT_GT(page.top, page.bottom);
            EXPECT_LE(page.top, page.length);
            EXPECT_LE((page.right - page.left) * widestHdpi / 72, 8191.0f);
            teardownBytes(&state);
        }
    }
}

// The paper sources and paper-handling choices, as named in the
// descriptions, select the filter's job end: tear-off for the tractors and
// roll paper, a plain reset otherwise.
TEST_F(PrinterDescriptions, PaperSourceChoicesSelectTheJobEnd)
{
    struct Case {
        const char* options;
        std::vector<unsigned char> jobEnd;
    };
    const std::vector<Case> cases = {
        {"", {0x1B, 0x40, 0x0D}},
        {"InputSlot=Tractor KXTearOff=On", {0x0D, 0x1B, 0x19, 0x43}},
        {"InputSlot=TractorFront KXTearOff=On", {0x0D, 0x1B, 0x19, 0x43}},
        {"InputSlot=RollPaper KXTearOff=On", {0x0D, 0x1B, 0x19, 0x43}},
        {"InputSlot=RollPaper KXTearOff=On KXSvRP=On", {0x0D, 0x1B, 0x19, 0x44}},
        {"InputSlot=CutSheet KXTearOff=On", {0x1B, 0x40, 0x0D}},
        {"InputSlot=Tractor KXTearOff=Off", {0x1B, 0x40, 0x0D}},
    };
    cups_page_header2_t header;
    for (const PpdInfo& info : loadPpds()) {
        ASSERT_TRUE(headerFor(info.path, "", &header));
        const std::string raster = tempDir + "/page.ras";
        ASSERT_TRUE(writeRaster(raster, header));
        for (const Case& c : cases) {
            SCOPED_TRACE(info.path + " " + c.options);
            JobState state;
            ASSERT_EQ(setupWith(info.path, c.options, raster, &state), 0);
            EXPECT_EQ(teardownBytes(&state), c.jobEnd);
        }
    }
}

// The filter itself, run as the spooler runs it, prints a page at every
// resolution of every description with the mode the table gives.
TEST_F(PrinterDescriptions, FilterPrintsAPageAtEveryResolution)
{
    for (const PpdInfo& info : loadPpds()) {
        ppd_file_t* ppd = ppdOpenFile(info.path.c_str());
        ASSERT_NE(ppd, nullptr);
        std::vector<std::string> resolutions = choicesOf(ppd, "Resolution");
        ppdClose(ppd);
        for (const std::string& resolution : resolutions) {
            SCOPED_TRACE(info.path + " Resolution=" + resolution);
            const std::string options = "Resolution=" + resolution;
            cups_page_header2_t header;
            ASSERT_TRUE(headerFor(info.path, options, &header));
            const std::string raster = tempDir + "/page.ras";
            const std::string output = tempDir + "/page.prn";
            ASSERT_TRUE(writeRaster(raster, header));
            const std::string command = "PPD='" + info.path + "' '" IMPACT_FILTER_PATH "' 1 user title 1 '" +
                                        options + "' '" + raster + "' >'" + output + "' 2>'" + tempDir +
                                        "/page.err'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            const std::vector<unsigned char> bytes = readFile(output);
            uint8_t mode = 0;
            ASSERT_TRUE(findGraphicsMode(header.HWResolution[0], header.HWResolution[1], header.cupsRowCount, 0,
                                         info.flags, &mode));
            // Two bands of ink: two bit-image commands, both in that mode.
            EXPECT_EQ(imageModes(bytes, static_cast<int>((header.cupsRowCount + 7) / 8)),
                      (std::vector<int>{mode, mode}));
            EXPECT_TRUE(endsWith(bytes, {0x0C, 0x1B, 0x40, 0x0D}));
        }
    }
}

} // namespace
