#include "printer_app/gray_dither.h"

#include <cstring>

void ditherGrayLine(const unsigned char* gray, uint32_t width, uint32_t y, const pappl_dither_t matrix,
                    unsigned char* bits)
{
    const unsigned char* row = matrix[y & 15];
    std::memset(bits, 0, (width + 7) / 8);
    for (uint32_t x = 0; x < width; ++x)
        if (gray[x] > row[x & 15])
            bits[x / 8] |= static_cast<unsigned char>(0x80 >> (x & 7));
}
