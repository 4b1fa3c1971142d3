// impact-raster-read-baseline: the least any filter of this raster must do.
// Reads a CUPS raster job through libcups, every page header and every
// line, and throws the lines away. The benchmarks measure the filter
// against it.
//   impact-raster-read-baseline [file]     (standard input without a file)
// Prints one line: the pages read and the bytes of raster they held.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include <cups/raster.h>

#include "input_argument.h"

int main(int argc, char* argv[])
{
    int status = 0;
    const int fd = openInputArgument(argc, argv, &status);
    if (fd < 0)
        return status;
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    if (raster == nullptr) {
        std::fprintf(stderr, "%s: not a raster stream\n", argv[0]);
        return 1;
    }
    uint64_t pages = 0;
    uint64_t bytes = 0;
    unsigned char* line = nullptr;
    size_t lineSize = 0;
    cups_page_header2_t header;
    while (cupsRasterReadHeader2(raster, &header)) {
        ++pages;
        if (header.cupsBytesPerLine > lineSize) {
            std::free(line);
            lineSize = header.cupsBytesPerLine;
            line = static_cast<unsigned char*>(std::malloc(lineSize));
            if (line == nullptr) {
                std::perror("line buffer");
                return 1;
            }
        }
        for (uint32_t y = 0; y < header.cupsHeight; ++y) {
            if (cupsRasterReadPixels(raster, line, header.cupsBytesPerLine) == 0)
                break;
            bytes += header.cupsBytesPerLine;
        }
    }
    std::free(line);
    cupsRasterClose(raster);
    if (fd > 0)
        ::close(fd);
    std::printf("pages %" PRIu64 " bytes %" PRIu64 "\n", pages, bytes);
    return pages != 0 ? 0 : 1;
}
