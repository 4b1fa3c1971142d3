// impact-rastergen: writes a CUPS raster job of test pages (1-bit black)
// for the impact printer filter. See --help.
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "rastergen_args.h"

int main(int argc, char* argv[])
{
    RastergenArgs args;
    std::string error;
    if (parseRastergenArgs(argc, argv, &args, &error) != 0) {
        std::fprintf(stderr, "impact-rastergen: %s\n%s", error.c_str(), kRastergenUsage);
        return 2;
    }
    if (args.help) {
        std::fputs(kRastergenUsage, stdout);
        return 0;
    }
    if (checkRasterJob(args.job) != 0) {
        std::fprintf(stderr, "impact-rastergen: the medium is too small for its margins or the page too large\n");
        return 2;
    }
    int fd = 1;
    if (!args.outputPath.empty()) {
        fd = ::open(args.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(("impact-rastergen: " + args.outputPath).c_str());
            return 1;
        }
    } else if (::isatty(1)) {
        std::fprintf(stderr, "impact-rastergen: not writing raster data to a terminal; use -o FILE or a pipe\n");
        return 2;
    }
    const int status = writeRasterJob(fd, args.job);
    if (fd != 1 && ::close(fd) != 0 && status == 0) {
        std::perror(("impact-rastergen: " + args.outputPath).c_str());
        return 1;
    }
    if (status != 0) {
        std::fprintf(stderr, "impact-rastergen: cannot write the raster stream\n");
        return 1;
    }
    return 0;
}
