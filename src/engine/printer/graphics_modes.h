#pragma once
// The bit-image modes the printers know, keyed by resolution, band height,
// speed and the printer's attribute flags.
#include <cstdint>

namespace impact {

struct GraphicsModeEntry {
    uint32_t vdpi;
    uint32_t hdpi;
    uint32_t rows;
    uint32_t speed;    // 0 normal, 1 high
    uint16_t flagMask; // 0: always allowed; else the attribute bits that allow it
    uint8_t mode;      // the bit-image mode byte
};

inline constexpr int kGraphicsModeCount = 27;
extern const GraphicsModeEntry kGraphicsModeTable[kGraphicsModeCount];

// True, and the mode byte in *mode, when the table has a mode for these
// values. mode may be null when only the answer counts.
bool findGraphicsMode(uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t speed, uint16_t flags,
                     uint8_t* mode);

} // namespace impact
