#pragma once
// A band of raster rows in memory, as the band renderer takes it: rows of
// (width + 7) / 8 bytes, the leftmost dot in the high bit.
#include <cstddef>
#include <cstdint>
#include <vector>

struct Band {
    uint32_t width;
    uint32_t rows;
    std::vector<unsigned char> bits;
    Band(uint32_t w, uint32_t r) : width(w), rows(r), bits(static_cast<size_t>((w + 7) / 8) * r, 0) {}
    uint32_t lineBytes() const { return (width + 7) / 8; }
    void dot(uint32_t x, uint32_t y) { bits[y * lineBytes() + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8)); }
    bool hasDot(uint32_t x, uint32_t y) const { return bits[y * lineBytes() + x / 8] & (0x80 >> (x % 8)); }
};
