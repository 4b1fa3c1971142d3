#pragma once
// A job's raster held in memory: for hosts that have the whole stream at
// hand (an in-process job, a test, a fuzzer).
#include <cstddef>

#include "engine/job/raster_source.h"

namespace impact {

struct MemoryRaster {
    const unsigned char* bytes;
    size_t size;
    size_t at; // bytes handed out so far
};

// Reads from raster, which must outlive the job.
RasterSource memoryRasterSource(MemoryRaster* raster);

} // namespace impact
