// The printer application's image reading: any bytes as a PNG or a JPEG
// file (the first byte picks which), decoded to grey pixels as the
// application prints them.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <sys/mman.h>
#include <unistd.h>

#include "printer_app/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The decoder reads a spool file: this one lives in memory.
    static const int fd = memfd_create("image", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data + 1, size - 1, 0) != static_cast<ssize_t>(size - 1))
        return 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    GrayImage image;
    if ((data[0] & 1) != 0)
        decodeJpeg(path, &image);
    else
        decodePng(path, &image);
    return 0;
}
