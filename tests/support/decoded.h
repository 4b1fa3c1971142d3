#pragma once
// Printer data read back: decoded with the preview's decoder and drawn at
// the raster's resolution, compared dot for dot with raster pages; and
// printer streams built by hand, command by command.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "impact_decode.h"
#include "raster_pages.h"

// The stream decoded for the 9- or 24-pin class; failures show in the result.
DecodedStream decodeBytes(const std::vector<uint8_t>& bytes, int pins = 24);

// The raster dots the printer should print: those inside [0, width) x [0, height).
PageBitmap clipPage(const PageBitmap& page, uint32_t width, uint32_t height);
// The decoded page drawn at the raster resolution into a bitmap of the given
// size; dots that fall outside it are counted in *outside.
PageBitmap decodedBitmap(const Page& page, uint32_t hdpi, uint32_t vdpi, uint32_t width, uint32_t height,
                         uint64_t* outside);
// The first differing dot as "x,y (want a got b)", or "" when the two agree.
std::string firstDifference(const PageBitmap& want, const PageBitmap& got);

// A printer stream built command by command; the offset of each is kept.
struct StreamBytes {
    std::vector<uint8_t> bytes;
    std::vector<size_t> starts;
    size_t add(const std::vector<int>& piece);
    // ESC * mode n followed by the column data.
    size_t addImage(int mode, const std::vector<uint8_t>& data, uint32_t columns);
    size_t addPacketExit();
};
