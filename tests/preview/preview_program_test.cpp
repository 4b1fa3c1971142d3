// The impact-preview and impact-rastergen programs: pictures that show every
// dot where it was printed, the command listing, and their errors.
#include <fcntl.h>
#include <unistd.h>

#include <png.h>

#include <gtest/gtest.h>

#include "impact_decode.h"
#include "page_image.h"
#include "raster_pages.h"
#include "stream_bytes.h"
#include "test_support.h"

namespace {

const std::string kDataDir = PREVIEW_TEST_DATA;

struct Grey {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};

bool readPng(const std::string& path, Grey* out)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_GRAY;
    out->width = image.width;
    out->height = image.height;
    out->pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr) != 0;
}

// A sample page printed by the filter on the 24-pin printer.
std::string printSamplePage(const TempDir& dir, uint32_t hdpi, uint32_t vdpi)
{
    const std::string raster = dir.file("sample.ras");
    const std::string printed = dir.file("sample.prn");
    const ProgramRun gen = runProgram({IMPACT_RASTERGEN_PATH, "--media", "letter", "--hdpi", std::to_string(hdpi),
                                       "--vdpi", std::to_string(vdpi), "--rows", vdpi == 360 ? "48" : "24", "-o",
                                       raster},
                                      {});
    EXPECT_EQ(gen.exitStatus, 0) << gen.err;
    const ProgramRun filter = runProgram({IMPACT_FILTER_PATH, "1", "user", "title", "1", ""},
                                         {"PPD=" + kDataDir + "/impact24-letter.ppd"}, raster);
    EXPECT_EQ(filter.exitStatus, 0) << filter.err;
    const int fd = ::open(printed.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_EQ(::write(fd, filter.out.data(), filter.out.size()), static_cast<ssize_t>(filter.out.size()));
    ::close(fd);
    return printed;
}

DecodedStream decodeFile(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path);
    PrinterClass printer;
    printerClassForPins(24, &printer);
    DecodedStream d;
    EXPECT_EQ(decodeStream(bytes.data(), bytes.size(), printer, &d), 0) << describeError(d);
    return d;
}

TEST(PreviewProgram, PictureShowsEveryDotAtItsPlace)
{
    TempDir dir;
    const std::string printed = printSamplePage(dir, 180, 180);
    const DecodedStream d = decodeFile(printed);
    ASSERT_EQ(d.pages.size(), 1u);

    // Read from standard input, picture at the raster's 180 dpi: one pixel per dot.
    const ProgramRun run = runProgram({IMPACT_PREVIEW_PATH, "-o", dir.file("pic")}, {}, printed);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const uint64_t dots = pageDotCount(d.pages[0]);
    EXPECT_EQ(run.out, dir.file("pic") + "-1.png 1530x1980 page 1 dots " + std::to_string(dots) + "\n");

    Grey png;
    ASSERT_TRUE(readPng(dir.file("pic-1.png"), &png));
    ASSERT_EQ(png.width, 1530u); // 8.5 x 11 inches
    ASSERT_EQ(png.height, 1980u);
    std::vector<uint8_t> expected(png.pixels.size(), 255);
    for (const Dot& dot : pageDots(d.pages[0], 180, 180))
        expected[static_cast<size_t>(dot.y) * png.width + static_cast<size_t>(dot.x)] = 0;
    EXPECT_TRUE(png.pixels == expected);
}

TEST(PreviewProgram, DotsAreDrawnAboutOneDotWide)
{
    // One dot of each dot size at a known place, drawn at 360 dpi.
    StreamBytes s;
    s.add({0x1B, '(', 'C', 2, 0, 0x68, 0x01}); // one inch
    s.add({0x1B, '$', 0xB4, 0x00});            // half an inch
    s.addImage(0, {0x80}, 1);                  // 1/72 inch dot
    s.add({0x0D});
    s.add({0x1B, 'J', 90}); // half an inch down
    s.addImage(39, {0x80, 0, 0}, 1);
    PrinterClass printer;
    printerClassForPins(24, &printer);
    DecodedStream d;
    ASSERT_EQ(decodeStream(s.bytes.data(), s.bytes.size(), printer, &d), 0);
    ASSERT_EQ(d.pages.size(), 1u);
    PreviewOptions options;
    options.dpi = 360;
    options.widthInches = 1.0;
    PageImage image;
    ASSERT_EQ(renderPageImage(d.pages[0], printer, options, &image), 0);
    EXPECT_EQ(image.width, 360u);
    EXPECT_EQ(image.height, 360u);
    EXPECT_EQ(image.dots, 2u);
    auto black = [&](uint32_t x, uint32_t y) { return image.pixels[size_t{y} * image.width + x] == 0; };
    size_t blackCount = 0;
    for (uint8_t p : image.pixels)
        blackCount += p == 0;
    // The 1/72 inch dot is a disc 5 pixels across around (180, 0); the
    // 1/180 inch dot a 2 x 2 square at (0, 180).
    EXPECT_TRUE(black(180, 0));
    EXPECT_TRUE(black(182, 0));
    EXPECT_TRUE(black(178, 0));
    EXPECT_TRUE(black(180, 2));
    EXPECT_FALSE(black(183, 0));
    EXPECT_FALSE(black(182, 2)); // outside the disc
    EXPECT_TRUE(black(0, 180));
    EXPECT_TRUE(black(0, 179));
    EXPECT_FALSE(black(1, 180));
    EXPECT_EQ(blackCount, 13u + 2u); // the disc's top part is above the page; the square is cut at the left edge

    // Dots beyond the paper make the picture larger.
    options.widthInches = 0.25;
    ASSERT_EQ(renderPageImage(d.pages[0], printer, options, &image), 0);
    EXPECT_EQ(image.width, 183u);
}

TEST(PreviewProgram, ListingAndErrors)
{
    TempDir dir;
    const std::string printed = printSamplePage(dir, 180, 360);
    const DecodedStream d = decodeFile(printed);

    const ProgramRun list = runProgram({IMPACT_PREVIEW_PATH, "--list", printed}, {});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    size_t lines = 0;
    for (char c : list.out)
        lines += c == '\n';
    EXPECT_EQ(lines, d.commands.size() + 1);
    EXPECT_EQ(list.out.rfind("       0  ESC @     reset\n", 0), 0u);
    EXPECT_NE(list.out.find("# 1 pages, job end ESC @ CR\n"), std::string::npos);
    EXPECT_EQ(list.out.find("\x1B"), std::string::npos); // image data is not dumped

    // Cut inside the first bit image: the error names its offset.
    size_t imageOffset = 0;
    for (const Command& c : d.commands)
        if (c.kind == CommandKind::BitImage && imageOffset == 0)
            imageOffset = c.offset;
    ASSERT_GT(imageOffset, 0u);
    std::vector<uint8_t> bytes = readFileBytes(printed);
    bytes.resize(imageOffset + 15);
    const std::string cut = dir.file("cut.prn");
    const int fd = ::open(cut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    const ProgramRun bad = runProgram({IMPACT_PREVIEW_PATH, "--list", cut}, {});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.err.rfind("impact-preview: offset " + std::to_string(imageOffset) + ": truncated bit image (needs ", 0),
              0u)
        << bad.err;

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{IMPACT_PREVIEW_PATH, "--pins", "12", printed},
          std::vector<std::string>{IMPACT_PREVIEW_PATH, "--dpi", "0", printed},
          std::vector<std::string>{IMPACT_PREVIEW_PATH, "--bogus"},
          std::vector<std::string>{IMPACT_PREVIEW_PATH, printed, printed},
          std::vector<std::string>{IMPACT_PREVIEW_PATH, dir.file("missing.prn")}}) {
        const ProgramRun r = runProgram(args, {});
        EXPECT_NE(r.exitStatus, 0) << args[1];
        EXPECT_EQ(r.err.rfind("impact-preview: ", 0), 0u) << r.err;
    }
}

TEST(RastergenProgram, WritesARasterOrRefusesBadArguments)
{
    TempDir dir;
    const ProgramRun ok = runProgram({IMPACT_RASTERGEN_PATH, "--kind", "blank", "--pages", "2", "--media", "100x200",
                                      "--uncompressed", "-o", dir.file("b.ras")},
                                     {});
    EXPECT_EQ(ok.exitStatus, 0) << ok.err;
    const int fd = ::open(dir.file("b.ras").c_str(), O_RDONLY);
    cups_raster_t* r = cupsRasterOpen(fd, CUPS_RASTER_READ);
    ASSERT_NE(r, nullptr);
    cups_page_header2_t header;
    int pages = 0;
    while (cupsRasterReadHeader2(r, &header)) {
        ++pages;
        EXPECT_EQ(header.cupsWidth, 250u); // 100 points at 180 dpi
        EXPECT_EQ(header.cupsHeight, 500u);
        std::vector<uint8_t> line(header.cupsBytesPerLine);
        for (uint32_t y = 0; y < header.cupsHeight; ++y)
            ASSERT_EQ(cupsRasterReadPixels(r, line.data(), header.cupsBytesPerLine), header.cupsBytesPerLine);
    }
    cupsRasterClose(r);
    ::close(fd);
    EXPECT_EQ(pages, 2);

    for (const std::vector<std::string>& args : {
             std::vector<std::string>{IMPACT_RASTERGEN_PATH, "--kind", "photo", "-o", dir.file("x.ras")},
             std::vector<std::string>{IMPACT_RASTERGEN_PATH, "--fill", "101", "-o", dir.file("x.ras")},
             std::vector<std::string>{IMPACT_RASTERGEN_PATH, "--media", "30x30", "-o", dir.file("x.ras")},
             std::vector<std::string>{IMPACT_RASTERGEN_PATH, "--pages"},
         }) {
        const ProgramRun r = runProgram(args, {});
        EXPECT_NE(r.exitStatus, 0) << args[1];
        EXPECT_EQ(r.err.rfind("impact-rastergen: ", 0), 0u) << r.err;
    }
}

} // namespace
