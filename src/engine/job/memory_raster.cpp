#include "engine/job/memory_raster.h"

#include <cstring>

namespace impact {

namespace {

ssize_t readMemory(void* context, unsigned char* buffer, size_t length)
{
    auto* raster = static_cast<MemoryRaster*>(context);
    const size_t left = raster->size - raster->at;
    const size_t n = length < left ? length : left;
    if (n != 0)
        std::memcpy(buffer, raster->bytes + raster->at, n);
    raster->at += n;
    return static_cast<ssize_t>(n);
}

} // namespace

RasterSource memoryRasterSource(MemoryRaster* raster)
{
    return RasterSource{readMemory, raster};
}

} // namespace impact
