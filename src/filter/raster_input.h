#pragma once
// Reading the raster input. libcups reads an uncompressed raster one line
// at a time; the reader gives it those lines from a large buffer of its own,
// filled with few large reads. A cancellation ends a read that waits on a
// pipe.
#include <cstddef>
#include <sys/types.h>

#include "engine/job/raster_source.h"

inline constexpr size_t kRasterReaderBytes = 128 * 1024;

// The input and the bytes read from it that have not been taken yet:
// buffer[start, end). Owned by whoever opens the stream; it must outlive the
// stream.
struct RasterReader {
    int fd;
    size_t start;
    size_t end;
    // The stream's first bytes, its sync word, as they are handed out.
    unsigned char sync[4];
    size_t syncBytes;
    unsigned char buffer[kRasterReaderBytes];
};

// An empty reader of descriptor.
void initRasterReader(RasterReader* reader, int fd);

// libcups's read function (cups_raster_iocb_t) on a RasterReader: up to
// length bytes into buffer. The count, 0 at the end of the input, -1 on a
// read error or once the job is cancelled.
ssize_t readRasterInput(void* reader, unsigned char* buffer, size_t length);

// The bytes of an uncompressed raster in this machine's byte order that
// the reader holds and that have not been taken yet (impact::RasterSource's
// heldBytes); 0 for any other stream, before its sync word has been read,
// and when the buffer is empty.
size_t heldRasterBytes(void* reader, const unsigned char** bytes);
// Takes count of those bytes (impact::RasterSource's takeBytes).
void takeRasterBytes(void* reader, size_t count);

// The raster source of a job that reads through reader (initialised); one
// that cannot be opened when the reader has no descriptor.
impact::RasterSource rasterInputSource(RasterReader* reader);
