// The raster generator (what the page kinds draw, its program) and
// impact-preview (pictures that show
// every dot where it was printed, the command listing, the errors).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include "decoded.h"
#include "filter_process.h"
#include "page_image.h"
#include "raster_pages.h"

namespace {

const std::string kDataDir = PREVIEW_TEST_DATA;

RasterJob smallJob(PageKind kind)
{
    RasterJob job;
    job.kind = kind;
    job.pages = 2;
    job.mediaName = "TEST";
    job.mediaWidthPt = 216.0f;  // 3 inches
    job.mediaLengthPt = 288.0f; // 4 inches
    job.hdpi = 120;
    job.vdpi = 180;
    job.seed = 5;
    return job;
}

std::string text(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The filter's printer data for a generated page on the 24-pin printer.
std::string printSamplePage(const TempDir& dir, uint32_t hdpi, uint32_t vdpi)
{
    const ProgramRun gen = runProgram({IMPACT_RASTERGEN_PATH, "--media", "letter", "--hdpi", std::to_string(hdpi), "--vdpi",
                                       std::to_string(vdpi), "--rows", vdpi == 360 ? "48" : "24", "-o", dir.file("sample.ras")});
    EXPECT_EQ(gen.exitStatus, 0) << gen.err;
    const ProgramRun filter = runFilter(filterArgs(""), kDataDir + "/impact24-letter.ppd", dir.file("sample.ras"));
    EXPECT_EQ(filter.exitStatus, 0) << filter.err;
    writeFile(dir.file("sample.prn"), filter.out);
    return dir.file("sample.prn");
}

} // namespace

TEST(Rastergen, RandomPagesFollowSeedAndFill)
{
    RasterJob job = smallJob(PageKind::Random);
    const PageLayout layout = jobPageLayout(job);
    PageBitmap a, b;
    ASSERT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 0);
    ASSERT_EQ(fillPage(&b, layout, jobPageContent(job, 1)), 0);
    EXPECT_TRUE(a.bits == b.bits);
    ASSERT_EQ(fillPage(&b, layout, jobPageContent(job, 2)), 0); // the next seed
    EXPECT_FALSE(a.bits == b.bits);
    for (uint32_t fill : {0u, 3u, 50u, 100u}) {
        job.fillPercent = fill;
        ASSERT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 0);
        EXPECT_NEAR(static_cast<double>(countPageDots(a)) / (layout.width * layout.height), fill / 100.0, 0.005) << fill;
    }
    job.fillPercent = 101;
    EXPECT_EQ(fillPage(&a, layout, jobPageContent(job, 1)), 22);
}

TEST(Programs, RastergenWritesARasterOrRefusesBadArguments)
{
    TempDir dir;
    const ProgramRun ok = runProgram({IMPACT_RASTERGEN_PATH, "--kind", "blank", "--pages", "2", "--media", "100x200",
                                      "--uncompressed", "-o", dir.file("b.ras")});
    EXPECT_EQ(ok.exitStatus, 0) << ok.err;
    // 100 x 200 points at 180 dpi, uncompressed: two headers and 250 x 500 dots each.
    EXPECT_EQ(readFile(dir.file("b.ras")).size(), 4 + 2 * (1796 + 32 * 500));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--kind", "photo"}, {"--kind", "Sample"}, {"--fill", "101"}, {"--media", "30x30"}, {"--media", "100x"},
             {"--hdpi", "12x"}, {"--pages", "0"}, {"--pages"}, {"stray"}}) {
        std::vector<std::string> argv = {IMPACT_RASTERGEN_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        argv.push_back("-o");
        argv.push_back(dir.file("x.ras"));
        const ProgramRun r = runProgram(argv);
        EXPECT_NE(r.exitStatus, 0) << args[0];
        EXPECT_EQ(r.err.rfind("impact-rastergen: ", 0), 0u) << r.err;
    }
}

TEST(Programs, PreviewPictureShowsEveryDotAtItsPlace)
{
    TempDir dir;
    const std::string printed = printSamplePage(dir, 180, 180);
    const DecodedStream d = decodeBytes(readFile(printed));
    ASSERT_EQ(d.pages.size(), 1u);
    // Read from standard input, drawn at the raster's 180 dpi: one pixel a dot.
    const ProgramRun run = runProgram({IMPACT_PREVIEW_PATH, "-o", dir.file("pic")}, {}, printed);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(text(run.out), dir.file("pic") + "-1.png 1530x1980 page 1 dots " + std::to_string(pageDotCount(d.pages[0])) + "\n");
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, dir.file("pic-1.png").c_str()));
    image.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    ASSERT_EQ(image.width, 1530u); // 8.5 x 11 inches
    ASSERT_EQ(image.height, 1980u);
    std::vector<uint8_t> expected(pixels.size(), 255);
    for (const Dot& dot : pageDots(d.pages[0], 180, 180))
        expected[static_cast<size_t>(dot.y) * image.width + static_cast<size_t>(dot.x)] = 0;
    EXPECT_TRUE(pixels == expected);
}

TEST(Programs, PreviewDrawsDotsAboutOneDotWide)
{
    StreamBytes s; // one dot of each size at a known place, drawn at 360 dpi
    s.add({0x1B, '(', 'C', 2, 0, 0x68, 0x01}); // one inch
    s.add({0x1B, '$', 0xB4, 0x00});            // half an inch
    s.addImage(0, {0x80}, 1);                  // a 1/72 inch dot
    s.add({0x0D});
    s.add({0x1B, 'J', 90}); // half an inch down
    s.addImage(39, {0x80, 0, 0}, 1);
    const DecodedStream d = decodeBytes(s.bytes);
    ASSERT_EQ(d.pages.size(), 1u);
    PreviewOptions options;
    options.dpi = 360;
    options.widthInches = 1.0;
    PageImage image;
    ASSERT_EQ(renderPageImage(d.pages[0], d.printer, options, &image), 0);
    EXPECT_EQ(image.width, 360u);
    EXPECT_EQ(image.height, 360u);
    EXPECT_EQ(image.dots, 2u);
    auto black = [&](uint32_t x, uint32_t y) { return image.pixels[size_t{y} * image.width + x] == 0; };
    // The 1/72 inch dot is a disc 5 pixels across around (180, 0); the
    // 1/180 inch dot a 2 x 2 square at (0, 180), cut at the left edge.
    for (const auto& [x, y, ink] : {std::tuple{180u, 0u, true}, {182u, 0u, true}, {178u, 0u, true}, {180u, 2u, true},
                                    {183u, 0u, false}, {182u, 2u, false}, {0u, 180u, true}, {0u, 179u, true}, {1u, 180u, false}})
        EXPECT_EQ(black(x, y), ink) << x << "," << y;
    EXPECT_EQ(std::count(image.pixels.begin(), image.pixels.end(), 0), 13 + 2);
    options.widthInches = 0.25; // dots beyond the paper make the picture larger
    ASSERT_EQ(renderPageImage(d.pages[0], d.printer, options, &image), 0);
    EXPECT_EQ(image.width, 183u);
}

TEST(Programs, PreviewListingAndErrors)
{
    TempDir dir;
    const std::string printed = printSamplePage(dir, 180, 360);
    const DecodedStream d = decodeBytes(readFile(printed));
    const ProgramRun list = runProgram({IMPACT_PREVIEW_PATH, "--list", printed});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    const std::string listing = text(list.out);
    EXPECT_EQ(static_cast<size_t>(std::count(listing.begin(), listing.end(), '\n')), d.commands.size() + 1);
    EXPECT_EQ(listing.rfind("       0  ESC @     reset\n", 0), 0u);
    EXPECT_NE(listing.find("# 1 pages, job end ESC @ CR\n"), std::string::npos);
    EXPECT_EQ(listing.find("\x1B"), std::string::npos); // image data is not dumped
    // Cut inside the first bit image: the error names its offset.
    size_t image = 0;
    for (const Command& c : d.commands)
        if (c.kind == CommandKind::BitImage && image == 0)
            image = c.offset;
    ASSERT_GT(image, 0u);
    std::vector<unsigned char> bytes = readFile(printed);
    bytes.resize(image + 15);
    writeFile(dir.file("cut.prn"), bytes);
    const ProgramRun bad = runProgram({IMPACT_PREVIEW_PATH, "--list", dir.file("cut.prn")});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.err.rfind("impact-preview: offset " + std::to_string(image) + ": truncated bit image (needs ", 0), 0u) << bad.err;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--pins", "12", printed}, {"--dpi", "0", printed}, {"--bogus"}, {printed, printed}, {dir.file("missing.prn")}}) {
        std::vector<std::string> argv = {IMPACT_PREVIEW_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProgramRun r = runProgram(argv);
        EXPECT_NE(r.exitStatus, 0) << args[0];
        EXPECT_EQ(r.err.rfind("impact-preview: ", 0), 0u) << r.err;
    }
}
