#include "filter/raster_input.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

#include "filter/cancellation.h"

namespace {

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

ssize_t readInput(void* context, unsigned char* buffer, size_t length)
{
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(context));
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

} // namespace

RasterSource rasterInputSource(int descriptor)
{
    if (descriptor < 0)
        return RasterSource{nullptr, nullptr};
    return RasterSource{readInput, reinterpret_cast<void*>(static_cast<intptr_t>(descriptor))};
}
