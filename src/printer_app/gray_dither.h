#pragma once
// 8-bit darkness (0 white .. 255 black) to 1-bit black dots with a
// 16x16 threshold matrix, as PAPPL dithers gray raster from clients.
#include <cstdint>

#include <pappl/pappl.h>

// Line y of `width` pixels into (width + 7) / 8 bytes, 1 = dot.
void ditherGrayLine(const unsigned char* gray, uint32_t width, uint32_t y, const pappl_dither_t matrix,
                    unsigned char* bits);
