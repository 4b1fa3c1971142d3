#include "printer_app/driver_table.h"

#include <cstring>

namespace {

// The same resolutions and band heights as the PPDs (a test holds them to
// the built PPDs): the 9-pin class prints 8 rows a pass at 72 dpi down; the
// 24-pin class 24 rows at 180 dpi and 48 (two interleaved passes) at 360 dpi.
constexpr DriverSpec kDrivers[] = {
    {"impact9", "Serial Impact 9-Pin", "Generic Serial Impact 9-Pin", impact::PrinterClass::NinePin, 0, false, 4,
     {{60, 72, 8}, {72, 72, 8}, {120, 72, 8}, {240, 72, 8}}},
    {"impact9-extra", "Serial Impact 9-Pin (90 and 144 dpi)", "Generic Serial Impact 9-Pin", impact::PrinterClass::NinePin, 0, false, 3,
     {{90, 72, 8}, {120, 72, 8}, {144, 72, 8}}},
    {"impact24", "Serial Impact 24-Pin", "Generic Serial Impact 24-Pin", impact::PrinterClass::TwentyFourPin, 1, true, 4,
     {{60, 180, 24}, {120, 180, 24}, {180, 180, 24}, {360, 360, 48}}},
    {"impact24-extra", "Serial Impact 24-Pin (90, 240 and 360x180 dpi, 180x360 dpi)",
     "Generic Serial Impact 24-Pin", impact::PrinterClass::TwentyFourPin, 1, true, 4,
     {{90, 180, 24}, {180, 360, 48}, {240, 180, 24}, {360, 180, 24}}},
};

} // namespace

int driverCount()
{
    return static_cast<int>(sizeof kDrivers / sizeof kDrivers[0]);
}

const DriverSpec* driverAt(int index)
{
    return index >= 0 && index < driverCount() ? &kDrivers[index] : nullptr;
}

const DriverSpec* findDriver(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const DriverSpec& driver : kDrivers)
        if (std::strcmp(driver.name, name) == 0)
            return &driver;
    return nullptr;
}

const ResolutionSpec* findResolution(const DriverSpec* driver, int x, int y)
{
    for (int i = 0; i < driver->resolutionCount; ++i)
        if (driver->resolutions[i].x == x && driver->resolutions[i].y == y)
            return &driver->resolutions[i];
    return nullptr;
}

const ResolutionSpec* defaultResolution(const DriverSpec* driver)
{
    return &driver->resolutions[driver->resolutionCount / 2];
}
