// What each printer class can do is written twice, in the printer
// descriptions (drv/, built into PPDs) and in the application's tables:
// these tables hold the application to the built PPDs, read the way the
// filter reads them, so a size, margin, resolution or source changed on one
// side only fails here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include <cups/ppd.h>

#include "filter/ppd_settings.h"
#include "printer_app/driver_table.h"
#include "printer_app/media_table.h"

using namespace impact;

namespace {

struct PrinterDescription {
    const char* ppd;
    PrinterClass printerClass;
    const char* driver; // the class's first driver: its default resolution is the PPD's
};

const PrinterDescription kDescriptions[] = {
    {"impact9.ppd", PrinterClass::NinePin, "impact9"},
    {"impact24.ppd", PrinterClass::TwentyFourPin, "impact24"},
};

struct Ppd {
    explicit Ppd(const char* name) : file(ppdOpenFile((std::string(IMPACT_PPD_DIR) + "/" + name).c_str())) {}
    ~Ppd() { ppdClose(file); }
    ppd_file_t* file;
};

// The settings the filter makes from the PPD with these options.
JobSettings filterSettings(ppd_file_t* ppd, const char* options)
{
    const ReportSink quiet = discardReports();
    JobSettings settings{};
    EXPECT_EQ(settingsFromOpenPpd(ppd, options, &quiet, &settings), JobResult::Success) << options;
    return settings;
}

void expectSameGeometry(const PageGeometry& app, const PageGeometry& ppd, float tolerance, const char* what)
{
    const float a[] = {app.width, app.length, app.left, app.bottom, app.right, app.top};
    const float p[] = {ppd.width, ppd.length, ppd.left, ppd.bottom, ppd.right, ppd.top};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(a[i], p[i], tolerance) << what << ": width, length, left, bottom, right, top [" << i << "]";
}

// A media-col for a size in points.
pappl_media_col_t mediaOfPoints(const char* pwgName, float width, float length)
{
    pappl_media_col_t media{};
    std::snprintf(media.size_name, sizeof media.size_name, "%s", pwgName);
    media.size_width = static_cast<int>(std::lround(width * 2540 / 72));
    media.size_length = static_cast<int>(std::lround(length * 2540 / 72));
    return media;
}

TEST(Capabilities, EveryPageSizeWithItsMarginsAsInThePpd)
{
    for (const PrinterDescription& d : kDescriptions) {
        Ppd ppd(d.ppd);
        ASSERT_NE(ppd.file, nullptr) << d.ppd;
        int named = 0;
        for (int i = 0; i < ppd.file->num_sizes; ++i) {
            const ppd_size_t& size = ppd.file->sizes[i];
            if (std::strncmp(size.name, "Custom", 6) == 0)
                continue;
            ++named;
            const MediaSpec* spec = nullptr;
            for (int m = 0; m < mediaCount(); ++m)
                if (std::strcmp(mediaAt(m)->ppdName, size.name) == 0)
                    spec = mediaAt(m);
            ASSERT_NE(spec, nullptr) << d.ppd << ": " << size.name << " is not in the application's sizes";
            MediaSize app;
            const pappl_media_col_t media = mediaOfPoints(spec->pwgName, spec->width, spec->length);
            ASSERT_EQ(pageSizeForMedia(&media, &app), 0) << spec->pwgName;
            EXPECT_STREQ(app.name, size.name);
            const std::string option = std::string("PageSize=") + size.name;
            expectSameGeometry(app.page, filterSettings(ppd.file, option.c_str()).page, 0, size.name);
        }
        EXPECT_EQ(named, mediaCount()) << d.ppd << ": sizes the application has and the PPD has not";
        const char* appDefault = "";
        for (int m = 0; m < mediaCount(); ++m)
            if (std::strcmp(mediaAt(m)->pwgName, kDefaultMedia) == 0)
                appDefault = mediaAt(m)->ppdName;
        EXPECT_STREQ(ppdFindOption(ppd.file, "PageSize")->defchoice, appDefault) << d.ppd << ": the default size";
    }
}

TEST(Capabilities, CustomSizesWithinTheSameLimitsAndMargins)
{
    for (const PrinterDescription& d : kDescriptions) {
        Ppd ppd(d.ppd);
        ASSERT_NE(ppd.file, nullptr) << d.ppd;
        ASSERT_TRUE(ppd.file->variable_sizes) << d.ppd;
        EXPECT_EQ(kMinWidth, ppd.file->custom_min[0]) << d.ppd;
        EXPECT_EQ(kMinLength, ppd.file->custom_min[1]) << d.ppd;
        EXPECT_EQ(kMaxWidth, ppd.file->custom_max[0]) << d.ppd;
        EXPECT_EQ(kMaxLength, ppd.file->custom_max[1]) << d.ppd;
        // The limits IPP clients are given, in hundredths of millimetres.
        // (libcups gives a custom size in one buffer it reuses.)
        const struct { const char* name; const float* ppdSize; } limits[] = {
            {kCustomMinMedia, ppd.file->custom_min}, {kCustomMaxMedia, ppd.file->custom_max}};
        for (const auto& limit : limits) {
            const pwg_media_t* pwg = pwgMediaForPWG(limit.name);
            ASSERT_NE(pwg, nullptr) << limit.name;
            EXPECT_NEAR(pwg->width * 72.0 / 2540, limit.ppdSize[0], 0.5) << d.ppd << ": " << limit.name;
            EXPECT_NEAR(pwg->length * 72.0 / 2540, limit.ppdSize[1], 0.5) << d.ppd << ": " << limit.name;
        }
        // A custom size's printable area: the PPD's margins for custom sizes.
        const struct { float width, length; } sizes[] = {{300, 400}, {612, 432}, {72, 72}, {1080, 1584}};
        for (const auto& s : sizes) {
            char option[64];
            std::snprintf(option, sizeof option, "PageSize=Custom.%gx%g", s.width, s.length);
            MediaSize app;
            const pappl_media_col_t media = mediaOfPoints("custom_form", s.width, s.length);
            ASSERT_EQ(pageSizeForMedia(&media, &app), 0) << option;
            // Hundredths of millimetres round the size by up to 0.15 point.
            expectSameGeometry(app.page, filterSettings(ppd.file, option).page, 0.2f, option);
        }
    }
}

TEST(Capabilities, EveryResolutionWithItsBandHeight)
{
    for (const PrinterDescription& d : kDescriptions) {
        Ppd ppd(d.ppd);
        ASSERT_NE(ppd.file, nullptr) << d.ppd;
        const ppd_option_t* option = ppdFindOption(ppd.file, "Resolution");
        ASSERT_NE(option, nullptr) << d.ppd;
        std::set<std::tuple<int, int, unsigned>> fromPpd, fromApp;
        std::tuple<int, int, unsigned> ppdDefault{};
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t& choice = option->choices[i];
            int x = 0, y = 0;
            unsigned rows = 0;
            const char* resolution = std::strstr(choice.code, "/HWResolution[");
            const char* rowCount = std::strstr(choice.code, "/cupsRowCount ");
            ASSERT_TRUE(resolution != nullptr && rowCount != nullptr) << choice.code;
            ASSERT_EQ(std::sscanf(resolution, "/HWResolution[%d %d]", &x, &y), 2) << choice.code;
            ASSERT_EQ(std::sscanf(rowCount, "/cupsRowCount %u", &rows), 1) << choice.code;
            fromPpd.insert({x, y, rows});
            if (std::strcmp(choice.choice, option->defchoice) == 0)
                ppdDefault = {x, y, rows};
        }
        JobSettings ppdSettings = filterSettings(ppd.file, "");
        for (int i = 0; i < driverCount(); ++i) {
            const DriverSpec* driver = driverAt(i);
            if (driver->printerClass != d.printerClass)
                continue;
            for (int r = 0; r < driver->resolutionCount; ++r)
                fromApp.insert({driver->resolutions[r].x, driver->resolutions[r].y, driver->resolutions[r].rows});
            EXPECT_EQ(driver->graphicsFlags, ppdSettings.graphicsFlags) << driver->name;
            EXPECT_EQ(driver->speedCommand, ppdSettings.speedCommand) << driver->name;
        }
        EXPECT_EQ(fromApp, fromPpd) << d.ppd << ": the class's resolutions (x, y, band height)";
        const ResolutionSpec* appDefault = defaultResolution(findDriver(d.driver));
        EXPECT_EQ(std::make_tuple(appDefault->x, appDefault->y, appDefault->rows), ppdDefault) << d.driver;
    }
}

TEST(Capabilities, EverySourceWithItsPaperHandling)
{
    for (const PrinterDescription& d : kDescriptions) {
        Ppd ppd(d.ppd);
        ASSERT_NE(ppd.file, nullptr) << d.ppd;
        const ppd_option_t* option = ppdFindOption(ppd.file, "InputSlot");
        ASSERT_NE(option, nullptr) << d.ppd;
        ASSERT_EQ(option->num_choices, sourceCount()) << d.ppd;
        for (int i = 0; i < option->num_choices; ++i) {
            const ppd_choice_t& choice = option->choices[i];
            int position = 0;
            const char* code = std::strstr(choice.code, "/MediaPosition ");
            ASSERT_TRUE(code != nullptr && std::sscanf(code, "/MediaPosition %d", &position) == 1) << choice.code;
            const SourceSpec* source = nullptr;
            for (int s = 0; s < sourceCount(); ++s)
                if (sourceAt(s)->mediaPosition == position)
                    source = sourceAt(s);
            ASSERT_NE(source, nullptr) << d.ppd << ": " << choice.choice << " at position " << position;
            if (std::strcmp(choice.choice, option->defchoice) == 0) {
                EXPECT_EQ(findSource(nullptr), source) << d.ppd << ": the default source";
            }
            // What the filter makes of the choice, with and without
            // roll-paper saving and tear-off.
            for (int saving = 0; saving < 2; ++saving)
                for (int tearOff = 0; tearOff < 2; ++tearOff) {
                    char options[128];
                    std::snprintf(options, sizeof options, "InputSlot=%s KXSvRP=%s KXTearOff=%s", choice.choice,
                                  saving ? "On" : "Off", tearOff ? "On" : "Off");
                    const JobSettings filter = filterSettings(ppd.file, options);
                    JobSettings app{};
                    setPaperHandling(&app, source->source, saving != 0, tearOff != 0);
                    EXPECT_EQ(app.pageEnd, filter.pageEnd) << d.ppd << ": " << options;
                    EXPECT_EQ(app.jobEnd, filter.jobEnd) << d.ppd << ": " << options;
                }
        }
    }
}

} // namespace
