// Writes the seed corpora of the fuzz targets: small raster jobs like the
// tests' (bands, blank stretches, several pages, both stream encodings),
// each behind the byte that picks the printer and options, and the fuzz
// PPDs behind an options line.
//   fuzz_make_seeds JOB_CORPUS_DIR SETUP_CORPUS_DIR PPD...
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include <cups/raster.h>

#include "black_page_header.h"

namespace {

struct Page {
    uint32_t width, height, hdpi, vdpi, rows;
    uint32_t dotEvery; // a dot on every n-th line, 0 for a blank page
};

std::vector<uint8_t> rasterJob(const std::vector<Page>& pages, bool compressed)
{
    char path[] = "/tmp/impact-seed-XXXXXX";
    int fd = mkstemp(path);
    cups_raster_t* ras = cupsRasterOpen(fd, compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    for (const Page& page : pages) {
        cups_page_header2_t h = blackPageHeader(page.hdpi, page.vdpi, page.width, page.height, page.rows);
        cupsRasterWriteHeader2(ras, &h);
        std::vector<unsigned char> line(h.cupsBytesPerLine);
        for (uint32_t y = 0; y < page.height; ++y) {
            std::memset(line.data(), 0, line.size());
            if (page.dotEvery != 0 && y % page.dotEvery == 0)
                line[(y * 7) % line.size()] = 0x81;
            cupsRasterWritePixels(ras, line.data(), static_cast<unsigned>(line.size()));
        }
    }
    cupsRasterClose(ras);
    off_t size = lseek(fd, 0, SEEK_END);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (pread(fd, bytes.data(), bytes.size(), 0) != size)
        bytes.clear();
    close(fd);
    unlink(path);
    return bytes;
}

void writeSeed(const std::string& path, uint8_t first, const std::vector<uint8_t>& rest)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputc(first, f);
    std::fwrite(rest.data(), 1, rest.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> readFile(const char* path)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s JOB_CORPUS_DIR SETUP_CORPUS_DIR PPD...\n", argv[0]);
        return 1;
    }
    const std::string jobDir = argv[1];
    const std::string setupDir = argv[2];

    struct Seed {
        const char* name;
        uint8_t selector;
        std::vector<Page> pages;
        bool compressed;
    };
    const std::vector<Seed> seeds = {
        {"band180", 0x00, {{1440, 60, 180, 180, 24, 5}}, true},
        {"band180-raw", 0x00, {{64, 30, 180, 180, 24, 3}}, false},
        {"two-pages", 0x00, {{1440, 50, 180, 180, 24, 4}, {1440, 30, 180, 180, 24, 2}}, true},
        {"geometry-change", 0x00, {{1440, 30, 180, 180, 24, 2}, {720, 20, 120, 180, 24, 1}}, true},
        {"nine-pin", 0x01 | (1 << 2), {{1000, 40, 120, 72, 8, 3}}, true},
        {"nine-pin-60", 0x01 | (5 << 2), {{120, 30, 60, 60, 24, 2}}, true},
        {"roll-360", 0x02 | (4 << 2), {{2880, 100, 360, 360, 48, 9}}, true},
        {"wide-blank", 0x03 | (2 << 2), {{2000, 40, 180, 180, 24, 0}}, true},
        {"partial-output", 0x00 | (6 << 5), {{1440, 48, 180, 180, 24, 2}}, true},
        {"failing-output", 0x00 | (7 << 5), {{1440, 96, 180, 180, 24, 1}}, true},
    };
    for (const Seed& seed : seeds)
        writeSeed(jobDir + "/" + seed.name, seed.selector, rasterJob(seed.pages, seed.compressed));

    const char* const options[] = {"", "KXSpeed=High KXTopMP=Driver", "InputSlot=RollPaper KXSvRP=On KXTearOff=On",
                                   "PageSize=A4 KXPackMode=Auto", "InputSlot=CutSheet KXTearOff=On"};
    for (int i = 3; i < argc; ++i) {
        std::vector<uint8_t> ppd = readFile(argv[i]);
        std::string base = argv[i];
        base = base.substr(base.find_last_of('/') + 1);
        for (int o = 0; o < 5; ++o) {
            std::vector<uint8_t> rest(options[o], options[o] + std::strlen(options[o]));
            rest.push_back('\n');
            rest.insert(rest.end(), ppd.begin(), ppd.end());
            writeSeed(setupDir + "/" + base + "-" + std::to_string(o), static_cast<uint8_t>((i + o) % 3), rest);
        }
    }
    return 0;
}
