#pragma once
// Printer data read back with the preview's decoder, compared dot for dot with raster pages.
#include <cstdint>
#include <string>
#include <vector>

#include "impact_decode.h"
#include "raster_pages.h"

// The stream decoded for the 9- or 24-pin class; failures show in the result.
DecodedStream decodeBytes(const std::vector<uint8_t>& bytes, int pins = 24);

// The raster dots the printer should print: those inside [0, width) x [0, height).
PageBitmap clipPage(const PageBitmap& page, uint32_t width, uint32_t height);
// The first differing dot as "x,y (want a got b)", or "" when the two agree.
std::string firstDifference(const PageBitmap& want, const PageBitmap& got);
