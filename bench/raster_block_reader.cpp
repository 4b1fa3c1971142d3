// impact-raster-block-reader: the floor for any reader of a raster file.
// Reads the input in 256 KiB blocks with read(2) and looks at every byte
// (an exclusive-or of all its 64-bit words), without parsing anything.
//   impact-raster-block-reader [file]     (standard input without a file)
// Prints one line: the bytes read and the exclusive-or, so the work cannot
// be left out by the compiler.
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "input_argument.h"

namespace {

constexpr size_t kBlockBytes = 256 * 1024;
alignas(64) unsigned char gBlock[kBlockBytes];

} // namespace

int main(int argc, char* argv[])
{
    int status = 0;
    const int fd = openInputArgument(argc, argv, &status);
    if (fd < 0)
        return status;
    uint64_t total = 0;
    uint64_t mix = 0;
    for (;;) {
        ssize_t n = ::read(fd, gBlock, kBlockBytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            std::perror("read");
            return 1;
        }
        if (n == 0)
            break;
        size_t words = static_cast<size_t>(n) / 8;
        for (size_t i = 0; i < words; ++i) {
            uint64_t word;
            std::memcpy(&word, gBlock + i * 8, 8);
            mix ^= word;
        }
        for (size_t i = words * 8; i < static_cast<size_t>(n); ++i)
            mix ^= gBlock[i];
        total += static_cast<uint64_t>(n);
    }
    std::printf("bytes %" PRIu64 " xor %016" PRIx64 "\n", total, mix);
    return 0;
}
