#include "engine/printer/graphics_modes.h"

namespace impact {

const GraphicsModeEntry kGraphicsModeTable[kGraphicsModeCount] = {
    // vdpi hdpi rows speed mask mode
    {60, 60, 24, 0, 0, 0},
    {60, 120, 24, 0, 0, 1},
    {60, 120, 24, 1, 0, 2},
    {60, 240, 24, 0, 0, 3},
    {60, 80, 24, 0, 0, 4},
    {60, 90, 24, 0, 0, 6},
    {72, 60, 8, 0, 0, 0},
    {72, 120, 8, 0, 0, 1},
    {72, 120, 8, 1, 0, 2},
    {72, 240, 8, 0, 0, 3},
    {72, 80, 8, 0, 0, 4},
    {72, 72, 8, 0, 0, 5},
    {72, 90, 8, 0, 0, 6},
    {72, 144, 8, 0, 0, 7},
    {180, 60, 24, 0, 0, 32},
    {180, 120, 24, 1, 1, 34},
    {180, 120, 24, 0, 0, 33},
    {180, 90, 24, 0, 0, 38},
    {180, 180, 24, 1, 1, 37},
    {180, 180, 24, 0, 0, 39},
    {180, 360, 24, 0, 0, 40},
    {180, 240, 24, 1, 1, 35},
    {360, 60, 48, 0, 0, 64},
    {360, 120, 48, 0, 0, 65},
    {360, 90, 48, 0, 0, 70},
    {360, 180, 48, 0, 0, 71},
    {360, 360, 48, 0, 0, 73},
};

namespace {

bool allows(const GraphicsModeEntry& entry, uint16_t flags)
{
    return entry.flagMask == 0 || (entry.flagMask & flags) != 0;
}

} // namespace

bool findGraphicsMode(uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t speed, uint16_t flags,
                     uint8_t* mode)
{
    // First an exact match on speed; failing that, any speed.
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& entry : kGraphicsModeTable) {
            if (entry.vdpi != vdpi || entry.hdpi != hdpi || entry.rows != rows)
                continue;
            if (pass == 0 && entry.speed != speed)
                continue;
            if (!allows(entry, flags))
                continue;
            if (mode != nullptr)
                *mode = entry.mode;
            return true;
        }
    }
    return false;
}

} // namespace impact
