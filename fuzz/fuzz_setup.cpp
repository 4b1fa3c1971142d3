// Fuzz target: job setup from a printer description and an options text,
// then a short fixed job through the page setup, the sequences and the
// teardown that the settings drive.
//   byte 0: which fixed raster job (of 3); then the options text up to the
//   first newline; the rest is the PPD text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <unistd.h>

#include <cups/raster.h>

#include "filter/filter_job.h"
#include "engine/job/memory_raster.h"
#include "fuzz_support.h"
#include "black_page_header.h"

using namespace impact;

namespace {

struct FixedPage {
    uint32_t widthDots, heightLines, hdpi, vdpi, rows;
};

// One job per entry: 24-pin 180 dpi, 9-pin 120x72, 24-pin 360 dpi of 48 rows.
const FixedPage kJobs[3][2] = {
    {{1440, 60, 180, 180, 24}, {1440, 30, 180, 180, 24}},
    {{1000, 40, 120, 72, 8}, {1000, 20, 120, 72, 8}},
    {{2880, 100, 360, 360, 48}, {2880, 50, 360, 360, 48}},
};

std::vector<uint8_t> gRasterBytes[3];
int gPpd = -1;

void writeFixedJob(int fd, const FixedPage* pages)
{
    cups_raster_t* ras = cupsRasterOpen(fd, CUPS_RASTER_WRITE_COMPRESSED);
    for (int p = 0; p < 2; ++p) {
        const FixedPage& page = pages[p];
        cups_page_header2_t h = blackPageHeader(page.hdpi, page.vdpi, page.widthDots, page.heightLines, page.rows);
        cupsRasterWriteHeader2(ras, &h);
        std::vector<unsigned char> line(h.cupsBytesPerLine);
        for (uint32_t y = 0; y < page.heightLines; ++y) {
            std::memset(line.data(), 0, line.size());
            if (y % 7 != 3)
                line[(y * 13) % line.size()] = static_cast<unsigned char>(0x80 >> (y % 8));
            cupsRasterWritePixels(ras, line.data(), static_cast<unsigned>(line.size()));
        }
    }
    cupsRasterClose(ras);
}

void prepare()
{
    for (int i = 0; i < 3; ++i) {
        int fd = memoryFile("job");
        if (fd < 0)
            std::abort();
        writeFixedJob(fd, kJobs[i]);
        off_t size = lseek(fd, 0, SEEK_END);
        gRasterBytes[i].resize(static_cast<size_t>(size));
        if (pread(fd, gRasterBytes[i].data(), gRasterBytes[i].size(), 0) != size)
            std::abort();
        close(fd);
    }
    gPpd = memoryFile("ppd");
    if (gPpd < 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (gPpd < 0)
        prepare();
    const int job = data[0] % 3;
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    const void* newline = std::memchr(rest, '\n', restSize);
    const size_t optionsSize = newline ? static_cast<size_t>(static_cast<const uint8_t*>(newline) - rest) : restSize;
    const std::string options(reinterpret_cast<const char*>(rest), optionsSize);
    const size_t ppdStart = newline ? optionsSize + 1 : restSize;
    refillMemoryFile(gPpd, rest + ppdStart, restSize - ppdStart);

    FuzzSink sink;
    JobHost host = {};
    host.printer = fuzzOutput(OutputKind::Discard, &sink);
    host.reports = discardReports();
    JobState state;
    initJobState(&state, &host);
    MemoryRaster raster = {gRasterBytes[job].data(), gRasterBytes[job].size(), 0};
    const RasterSource source = memoryRasterSource(&raster);
    runFilterJob(&state, options.c_str(), memoryFilePath(gPpd).c_str(), &source);
    return 0;
}
