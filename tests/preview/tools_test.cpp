// impact-preview on the filter's printer data: every dot in the picture, the listing, errors.
#include <gtest/gtest.h>

#include <algorithm>

#include <png.h>

#include "decoded.h"
#include "filter_process.h"

TEST(Programs, PreviewDrawsEveryDotListsEveryCommandAndNamesErrors)
{
    TempDir dir; // a sample page at 180 x 180 dpi, printed on Letter
    const ProgramRun gen = runProgram({IMPACT_RASTERGEN_PATH, "--media", "letter", "-o", dir.file("job.ras")});
    ASSERT_EQ(gen.exitStatus, 0) << gen.err;
    const ProgramRun filter = runFilter(filterArgs(""), writePpd(dir), dir.file("job.ras"));
    ASSERT_EQ(filter.exitStatus, 0) << filter.err;
    const std::string printed = dir.file("job.prn");
    writeFile(printed, filter.out);
    const DecodedStream d = decodeBytes(filter.out);
    ASSERT_EQ(d.pages.size(), 1u);

    // Read from standard input, drawn at the raster's 180 dpi: one pixel a dot.
    const ProgramRun run = runProgram({IMPACT_PREVIEW_PATH, "-o", dir.file("pic")}, {}, printed);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(std::string(run.out.begin(), run.out.end()),
              dir.file("pic") + "-1.png 1530x1980 page 1 dots " + std::to_string(pageDotCount(d.pages[0])) + "\n");
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, dir.file("pic-1.png").c_str()));
    image.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    ASSERT_EQ(image.width * image.height, 1530u * 1980); // 8.5 x 11 inches
    std::vector<uint8_t> expected(pixels.size(), 255);
    for (const Dot& dot : pageDots(d.pages[0], 180, 180))
        expected.at(static_cast<size_t>(dot.y) * image.width + static_cast<size_t>(dot.x)) = 0;
    EXPECT_TRUE(pixels == expected);

    const ProgramRun list = runProgram({IMPACT_PREVIEW_PATH, "--list", printed});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    const std::string listing(list.out.begin(), list.out.end());
    EXPECT_EQ(static_cast<size_t>(std::count(listing.begin(), listing.end(), '\n')), d.commands.size() + 2); // and the summary and time lines
    EXPECT_EQ(listing.rfind("       0  ESC @     reset\n", 0), 0u);
    EXPECT_NE(listing.find("# 1 pages, job end ESC @ CR\n"), std::string::npos);
    EXPECT_EQ(listing.find("\x1B"), std::string::npos); // image data is not dumped

    // Cut inside the first bit image: the error names its offset.
    const auto image1 = std::find_if(d.commands.begin(), d.commands.end(),
                                     [](const Command& c) { return c.kind == CommandKind::BitImage; });
    ASSERT_NE(image1, d.commands.end());
    writeFile(dir.file("cut.prn"), std::vector<unsigned char>(filter.out.begin(), filter.out.begin() + image1->offset + 15));
    const ProgramRun bad = runProgram({IMPACT_PREVIEW_PATH, "--list", dir.file("cut.prn")});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.err.rfind("impact-preview: offset " + std::to_string(image1->offset) + ": truncated bit image (", 0), 0u) << bad.err;
    const std::string preview = IMPACT_PREVIEW_PATH;
    for (const auto& argv : std::vector<std::vector<std::string>>{{preview, "--pins", "12", printed}, {preview, "--dpi", "0", printed},
             {preview, "--bogus"}, {preview, printed, printed}, {preview, dir.file("missing.prn")}}) {
        const ProgramRun r = runProgram(argv);
        EXPECT_NE(r.exitStatus, 0) << argv[1];
        EXPECT_EQ(r.err.rfind("impact-preview: ", 0), 0u) << r.err;
    }
}
