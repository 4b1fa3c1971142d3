#pragma once
// Where a job's raster comes from: libcups reads it through `read`.
#include <cstddef>

#include <cups/raster.h>

namespace impact {

// A source that reads ahead into a buffer of its own may also let the job
// copy whole raster lines from that buffer, where libcups would hand them
// over unchanged (an uncompressed stream in this machine's byte order), rather
// than asking libcups for every line. Both functions or neither.
struct RasterSource {
    cups_raster_iocb_t read;
    void* context;
    // The bytes read ahead that have not been taken yet: their count, the
    // first at *bytes. 0 when there are none, or when the stream's lines must
    // go through libcups. Reads nothing.
    size_t (*heldBytes)(void* context, const unsigned char** bytes) = nullptr;
    // Takes the first `count` of the bytes heldBytes gave, as reading them
    // through `read` would.
    void (*takeBytes)(void* context, size_t count) = nullptr;
};

} // namespace impact
