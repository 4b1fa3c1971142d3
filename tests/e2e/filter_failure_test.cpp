#include <gtest/gtest.h>

#include "e2e_common.h"

namespace {

class FilterFailure : public testing::Test {
protected:
    std::string dir;
    std::string ppd;
    void SetUp() override
    {
        dir = testDirectory("fail");
        ppd = writePpd(dir);
    }
    std::string raster(const std::vector<RasterPage>& pages, bool compressed = true)
    {
        std::string path = dir + "/job.ras";
        writeRasterFile(path, pages, compressed);
        return path;
    }
};

} // namespace

TEST_F(FilterFailure, WrongArgumentCountPrintsUsage)
{
    FilterRun five = runFilter({"1", "user", "title", "1"}, ppd, "", "my-filter");
    EXPECT_EQ(five.exitStatus, 1);
    EXPECT_EQ(five.err, "Usage: my-filter job-id user title copies options [file]\n");
    EXPECT_TRUE(five.out.empty());
    FilterRun eight = runFilter({"1", "user", "title", "1", "", "a", "b"}, ppd, "", "other");
    EXPECT_EQ(eight.exitStatus, 1);
    EXPECT_EQ(eight.err, "Usage: other job-id user title copies options [file]\n");
}

TEST_F(FilterFailure, MissingInputFile)
{
    FilterRun r = runFilter(jobArgs("", dir + "/no-such.ras"), ppd);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to open raster file - : No such file or directory\n");
    EXPECT_TRUE(r.out.empty());
}

TEST_F(FilterFailure, SetupFailuresEndTheJobAtOnce)
{
    std::string ras = raster({page180(24)});
    FilterRun noPpd = runFilter(jobArgs("", ras), "");
    EXPECT_EQ(noPpd.exitStatus, 2);
    EXPECT_EQ(noPpd.err, "ERROR: Can not read PPD information.\n");
    EXPECT_TRUE(noPpd.out.empty());

    PpdText model2;
    model2.modelNumber = 2;
    FilterRun unsupported = runFilter(jobArgs("", ras), writePpd(dir, model2, "model2"));
    EXPECT_EQ(unsupported.exitStatus, 22);
    EXPECT_EQ(unsupported.err, "ERROR: The Printer is not supported.\n");
    EXPECT_TRUE(unsupported.out.empty());

    writeTextFile(dir + "/empty.ras", "");
    FilterRun empty = runFilter(jobArgs("", dir + "/empty.ras"), ppd);
    EXPECT_EQ(empty.exitStatus, 5);
    EXPECT_EQ(empty.err, "ERROR: CUPS Fatal Error (cupsRasterOpen).\n");
    EXPECT_TRUE(empty.out.empty());
}

TEST_F(FilterFailure, PagesTheFilterCannotPrintEndThePageAndTheJob)
{
    RasterPage grey = page180(24);
    grey.header.cupsColorSpace = CUPS_CSPACE_W;
    FilterRun r = runFilter(jobArgs("", raster({grey})), ppd);
    EXPECT_EQ(r.exitStatus, 255);
    EXPECT_EQ(r.err, "PAGE: 1 1\nERROR: CUPS data format error.\nINFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), "0C " + kJobEnd);

    // Eight bits per dot in the black colour space would print garbage.
    RasterPage deep = page180(24);
    deep.header.cupsBitsPerColor = 8;
    deep.header.cupsBitsPerPixel = 8;
    deep.header.cupsBytesPerLine = 1440;
    deep.bits.assign(1440 * 24, 0);
    r = runFilter(jobArgs("", raster({deep})), ppd);
    EXPECT_EQ(r.exitStatus, 255);
    EXPECT_EQ(r.err, "PAGE: 1 1\nERROR: CUPS data format error.\nINFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), "0C " + kJobEnd);

    // A good first page, then a bad one: the first is printed whole.
    RasterPage good = page180(24);
    setDot(&good, 0, 0);
    r = runFilter(jobArgs("", raster({good, grey})), ppd);
    EXPECT_EQ(r.exitStatus, 255);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 80 00 00 0D 0C 0C " + kJobEnd);
}

TEST_F(FilterFailure, ResolutionWithoutAGraphicsModeIsRefusedSilently)
{
    RasterPage odd = blankPage(1600, 48, 200, 200, 24);
    FilterRun r = runFilter(jobArgs("", raster({odd})), ppd);
    EXPECT_EQ(r.exitStatus, 22);
    EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out), "0C " + kJobEnd);

    // The same on a later page of another geometry.
    RasterPage good = page180(24);
    r = runFilter(jobArgs("", raster({good, odd})), ppd);
    EXPECT_EQ(r.exitStatus, 22);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 0C 0C " + kJobEnd);
}

TEST_F(FilterFailure, PrintableWidthOverTheCommandLimit)
{
    // A 50-inch wide form at 180 dpi: 8928 printable dots, over 8191.
    PpdText wide;
    wide.pageSizes = {"Wide 3600 792 0 0 3600 792"};
    wide.defaultPageSize = "Wide";
    RasterPage page = blankPage(9000, 24, 180, 180, 24);
    setDot(&page, 0, 0);
    FilterRun r = runFilter(jobArgs("", raster({page})), writePpd(dir, wide));
    EXPECT_EQ(r.exitStatus, 255);
    EXPECT_EQ(r.err, "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n");
    EXPECT_EQ(hexOf(r.out).substr(hexOf(r.out).size() - 11), "0C " + kJobEnd);
}

TEST_F(FilterFailure, TruncatedRasterEndsThePageWithWhatArrived)
{
    RasterPage page = page180(100);
    for (uint32_t y = 0; y < 24; ++y)
        setDot(&page, 0, y);
    setDot(&page, 0, 80);
    std::string path = raster({page}, false);
    std::vector<unsigned char> bytes = readBinaryFile(path);
    // Keep the sync word, the header and 50 lines.
    ASSERT_GT(bytes.size(), 50u * 180);
    bytes.erase(bytes.end() - 50 * 180, bytes.end());
    writeTextFile(path, std::string(bytes.begin(), bytes.end()));
    FilterRun r = runFilter(jobArgs("", path), ppd);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " 1B 24 00 00 1B 2A 27 01 00 FF FF FF 0D 0C " + kJobEnd);
    EXPECT_NE(r.err.find("INFO: Ready to print.\n"), std::string::npos);

    // Garbage after a whole page: the page prints, the job ends after it.
    std::vector<unsigned char> whole = readBinaryFile(raster({page}, false));
    for (int i = 0; i < 500; ++i)
        whole.push_back(static_cast<unsigned char>(i * 37));
    writeTextFile(path, std::string(whole.begin(), whole.end()));
    r = runFilter(jobArgs("", path), ppd);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out).substr(0, kJobStart.size()), kJobStart);
    EXPECT_EQ(hexOf(r.out).substr(hexOf(r.out).size() - 11), "0C " + kJobEnd);
}

TEST_F(FilterFailure, AFullOutputDeviceIsReported)
{
    RasterPage page = page180(48);
    setDot(&page, 0, 0);
    FilterRun r = runFilter(jobArgs("", raster({page})), ppd, "", "", "/dev/full");
    EXPECT_EQ(r.exitStatus, 5);
    EXPECT_NE(r.err.find("ERROR: Print data output error.\n"), std::string::npos);
    EXPECT_NE(r.err.find("INFO: Ready to print.\n"), std::string::npos);
}
