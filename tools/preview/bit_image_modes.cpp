#include "impact_decode.h"

namespace {

struct ModeDensity {
    uint8_t mode;
    uint32_t density;
};

// Horizontal density of every mode the printers know.
const ModeDensity kModes[] = {
    {0, 60},   {1, 120},  {2, 120},  {3, 240},  {4, 80},   {5, 72},   {6, 90},
    {7, 144},  {32, 60},  {33, 120}, {34, 120}, {35, 240}, {37, 180}, {38, 90},
    {39, 180}, {40, 360}, {64, 60},  {65, 120}, {70, 90},  {71, 180}, {73, 360},
};

} // namespace

int lookupBitImageMode(uint8_t mode, BitImageMode* info)
{
    for (const ModeDensity& m : kModes) {
        if (m.mode != mode)
            continue;
        if (mode < 32)
            *info = {1, 8, static_cast<uint32_t>(kUnitsPerInch / 72), m.density};
        else if (mode < 64)
            *info = {3, 24, static_cast<uint32_t>(kUnitsPerInch / 180), m.density};
        else
            *info = {6, 48, static_cast<uint32_t>(kUnitsPerInch / 360), m.density};
        return 1;
    }
    return 0;
}

int printerClassForPins(int pins, PrinterClass* printer)
{
    if (pins == 24) {
        *printer = {24, 180, 360, 360};
        return 0;
    }
    if (pins == 9) {
        *printer = {9, 216, 60, 432};
        return 0;
    }
    return 22;
}
