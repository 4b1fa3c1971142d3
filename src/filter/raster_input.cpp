#include "filter/raster_input.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

#include "filter/sigterm_cancel.h"

using namespace impact;

namespace {

// A request at least this long that finds the buffer empty is read straight
// into the caller's buffer (libcups reads a compressed raster in blocks of
// 64 KiB).
constexpr size_t kDirectReadBytes = 64 * 1024;

// Waits until the input can be read or the job is cancelled; true when the
// input should be read.
bool waitForInput(int fd)
{
    int wakeFd = cancellationWakeFd();
    struct pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    nfds_t count = wakeFd >= 0 ? 2 : 1;
    for (;;) {
        if (cancellationRequested())
            return false;
        int ready = ::poll(fds, count, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        return !cancellationRequested();
    }
}

// One read(2) of up to length bytes once the input is ready, retried when a
// signal or a non-blocking input interrupts it: the count, 0 at the end, -1
// on an error or a cancellation.
ssize_t readWhenReady(int fd, unsigned char* buffer, size_t length)
{
    for (;;) {
        if (!waitForInput(fd))
            return -1;
        ssize_t n = ::read(fd, buffer, length);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (cancellationRequested())
                return -1;
            continue;
        }
        return n;
    }
}

// Keeps the stream's first four bytes as they are handed out.
void noteSync(RasterReader* reader, const unsigned char* bytes, size_t count)
{
    while (reader->syncBytes < sizeof reader->sync && count != 0) {
        reader->sync[reader->syncBytes++] = *bytes++;
        --count;
    }
}

// libcups hands the lines of an uncompressed raster over as they are in
// the stream when the stream is in this machine's byte order: version 3 (as
// the spooler's filters write it) and version 1. Version 2 and Apple rasters
// are compressed.
bool linesStoredPlain(const RasterReader* reader)
{
    if (reader->syncBytes < sizeof reader->sync)
        return false;
    unsigned sync;
    static_assert(sizeof sync == sizeof reader->sync);
    std::memcpy(&sync, reader->sync, sizeof sync);
    return sync == CUPS_RASTER_SYNC || sync == CUPS_RASTER_SYNCv1;
}

} // namespace

void initRasterReader(RasterReader* reader, int fd)
{
    reader->fd = fd;
    reader->start = 0;
    reader->end = 0;
    reader->syncBytes = 0;
}

ssize_t readRasterInput(void* context, unsigned char* buffer, size_t length)
{
    RasterReader* reader = static_cast<RasterReader*>(context);
    if (cancellationRequested())
        return -1;
    if (reader->start == reader->end) {
        if (length >= kDirectReadBytes) {
            ssize_t n = readWhenReady(reader->fd, buffer, length);
            if (n > 0)
                noteSync(reader, buffer, static_cast<size_t>(n));
            return n;
        }
        ssize_t n = readWhenReady(reader->fd, reader->buffer, sizeof reader->buffer);
        if (n <= 0)
            return n;
        reader->start = 0;
        reader->end = static_cast<size_t>(n);
    }
    size_t count = reader->end - reader->start;
    if (count > length)
        count = length;
    std::memcpy(buffer, reader->buffer + reader->start, count);
    if (reader->syncBytes < sizeof reader->sync)
        noteSync(reader, buffer, count);
    reader->start += count;
    return static_cast<ssize_t>(count);
}

size_t heldRasterBytes(void* context, const unsigned char** bytes)
{
    const RasterReader* reader = static_cast<const RasterReader*>(context);
    if (!linesStoredPlain(reader))
        return 0;
    *bytes = reader->buffer + reader->start;
    return reader->end - reader->start;
}

void takeRasterBytes(void* context, size_t count)
{
    RasterReader* reader = static_cast<RasterReader*>(context);
    const size_t held = reader->end - reader->start;
    reader->start += count < held ? count : held;
}

RasterSource rasterInputSource(RasterReader* reader)
{
    if (reader == nullptr || reader->fd < 0)
        return RasterSource{nullptr, nullptr};
    return RasterSource{readRasterInput, reader, heldRasterBytes, takeRasterBytes};
}
