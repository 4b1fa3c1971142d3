// The filter's raster reader against libcups reading the same bytes on its
// own: whole or cut short anywhere, compressed or not, from a file and from
// a pipe written in small pieces, the headers and lines seen and where they
// stop are the same.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "filter/sigterm_cancel.h"
#include "filter/raster_input.h"
#include "engine/job/memory_raster.h"
#include "test_files.h"

using namespace impact;

namespace {

// Every header and line read until a header cannot be; a line that cannot
// be read is marked and ends its page. With `held`, a whole line the source
// holds is taken from there, as the job takes it: the source must give an
// uncompressed raster's lines exactly where libcups left off, and nothing of
// a compressed one.
std::vector<unsigned char> readAll(cups_raster_t* raster, const RasterSource* held = nullptr, size_t* taken = nullptr)
{
    std::vector<unsigned char> seen;
    if (raster == nullptr)
        return {'-'};
    cups_page_header2_t header;
    while (cupsRasterReadHeader2(raster, &header)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
        seen.insert(seen.end(), bytes, bytes + sizeof header);
        std::vector<unsigned char> line(header.cupsBytesPerLine);
        for (uint32_t y = 0; y < header.cupsHeight; ++y) {
            const unsigned char* at = nullptr;
            if (held != nullptr && held->heldBytes(held->context, &at) >= line.size()) {
                line.assign(at, at + line.size());
                held->takeBytes(held->context, line.size());
                *taken += 1;
            } else if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) == 0) {
                seen.push_back('!');
                break;
            }
            seen.insert(seen.end(), line.begin(), line.end());
        }
    }
    cupsRasterClose(raster);
    return seen;
}

// With `held`, *taken counts the lines taken from the reader's buffer.
std::vector<unsigned char> throughReader(int fd, bool held, size_t* taken)
{
    auto reader = std::make_unique<RasterReader>();
    initRasterReader(reader.get(), fd);
    const RasterSource source = rasterInputSource(reader.get());
    return readAll(cupsRasterOpenIO(source.read, source.context, CUPS_RASTER_READ), held ? &source : nullptr, taken);
}

// Two pages, larger together than the reader's buffer.
std::vector<RasterPage> pages()
{
    std::vector<RasterPage> result;
    for (uint32_t p = 0; p < 2; ++p) {
        RasterPage page = blankPage(1488, 1100 + p, 180, 180, 24);
        for (uint32_t y = p; y < 1100; y += 3)
            for (uint32_t x = (y * 7) % 13; x < 1488; x += 5 + y % 11)
                setDot(&page, x, y);
        result.push_back(page);
    }
    return result;
}

} // namespace

TEST(RasterReader, SeesWhatLibcupsSeesOnTheSameBytes)
{
    TempDir dir;
    for (bool compressed : {false, true}) {
        const std::vector<unsigned char> whole = rasterBytes(pages(), compressed);
        ASSERT_GT(whole.size(), compressed ? 4096u : kRasterReaderBytes + 1);
        const size_t header = 4 + sizeof(cups_page_header2_t);
        for (size_t length : {whole.size(), size_t{0}, size_t{3}, size_t{100}, header, header + 1000,
                              kRasterReaderBytes, kRasterReaderBytes + 1, whole.size() / 2 + 7, whole.size() - 1}) {
            if (length > whole.size())
                continue;
            SCOPED_TRACE("compressed " + std::to_string(compressed) + ", first " + std::to_string(length) + " bytes");
            const std::vector<unsigned char> input(whole.begin(), whole.begin() + static_cast<long>(length));
            writeFile(dir.file("job.ras"), input);
            int fd = open(dir.file("job.ras").c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            const std::vector<unsigned char> expected = readAll(cupsRasterOpen(fd, CUPS_RASTER_READ));
            size_t taken = 0;
            for (bool held : {false, true}) {
                ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
                EXPECT_EQ(throughReader(fd, held, &taken), expected) << "from a file, held lines taken " << held;
            }
            // Nothing is taken from a compressed stream; an uncompressed one's
            // lines come straight from the buffer.
            EXPECT_TRUE(compressed ? taken == 0 : taken > 0 || length < whole.size()) << taken << " lines taken";
            close(fd);

            int ends[2];
            ASSERT_EQ(pipe(ends), 0);
            std::thread writer([&] {
                for (size_t at = 0; at < input.size(); at += 997)
                    if (write(ends[1], input.data() + at, std::min<size_t>(997, input.size() - at)) < 0)
                        break;
                close(ends[1]);
            });
            EXPECT_EQ(throughReader(ends[0], true, &taken), expected) << "from a pipe";
            close(ends[0]);
            writer.join();
        }
    }
}

TEST(RasterReader, TheEndIsTheEndAndACancelWakesTheWait)
{
    installTerminationHandler();
    std::unique_ptr<RasterReader> readers[2] = {std::make_unique<RasterReader>(), std::make_unique<RasterReader>()};
    int ends[2][2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(pipe(ends[i]), 0);
        ASSERT_EQ(write(ends[i][1], "0123456789abcdef", 16), 16);
        initRasterReader(readers[i].get(), ends[i][0]);
    }
    close(ends[0][1]);
    unsigned char bytes[16];
    EXPECT_EQ(readRasterInput(readers[0].get(), bytes, 16), 16);
    errno = EAGAIN; // left by an earlier call: the end of the input is still its end
    EXPECT_EQ(readRasterInput(readers[0].get(), bytes, 16), 0);

    EXPECT_EQ(readRasterInput(readers[1].get(), bytes, 8), 8);
    onTerminate(SIGTERM);
    pollfd wake = {cancellationWakeFd(), POLLIN, 0};
    EXPECT_EQ(poll(&wake, 1, 0), 1); // a reader waiting for input wakes up
    EXPECT_EQ(readRasterInput(readers[1].get(), bytes, 8), -1); // though bytes are buffered
    for (int fd : {ends[0][0], ends[1][0], ends[1][1]})
        close(fd);
}

TEST(MemoryRaster, GivesWhatIsLeftInAnyPieces)
{
    const unsigned char bytes[] = {1, 2, 3};
    MemoryRaster memory = {bytes, sizeof bytes, 0};
    const RasterSource source = memoryRasterSource(&memory);
    unsigned char got[4] = {};
    EXPECT_EQ(source.read(source.context, got, 1), 1);
    EXPECT_EQ(source.read(source.context, got + 1, 4), 2);
    EXPECT_EQ(source.read(source.context, got, 4), 0);
    EXPECT_EQ(std::vector<unsigned char>(got, got + 3), (std::vector<unsigned char>{1, 2, 3}));
}
