#pragma once
// The printer models the application offers, one entry per PAPPL driver.
// A class of printer needs more than one driver when it has more
// resolutions than PAPPL lets one driver list (four).
#include <cstdint>

#include "engine/job/job_settings.h"

struct ResolutionSpec {
    int x;        // dots per inch across
    int y;        // dots per inch down
    uint32_t rows; // dot rows per print-head pass (the band height)
};

inline constexpr int kMaxDriverResolutions = 4;

struct DriverSpec {
    const char* name;        // PAPPL driver name
    const char* description; // shown by `drivers` and the web interface
    const char* makeAndModel;
    impact::PrinterClass printerClass;
    uint16_t graphicsFlags;  // flagged (high-speed) bit-image modes allowed
    bool speedCommand;       // the speed command may be sent
    int resolutionCount;
    // Draft first, finest last: PAPPL picks the first for print-quality
    // draft, the last for high and the middle one (index count/2) for
    // normal, which is also each driver's default.
    ResolutionSpec resolutions[kMaxDriverResolutions];
};

int driverCount();
const DriverSpec* driverAt(int index);
// Null for an unknown name.
const DriverSpec* findDriver(const char* name);
// The resolution of this driver with these dots per inch, or null.
const ResolutionSpec* findResolution(const DriverSpec* driver, int x, int y);
const ResolutionSpec* defaultResolution(const DriverSpec* driver);
