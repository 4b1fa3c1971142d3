// A representative multi-page job under valgrind's memcheck: no invalid
// access, no use of uninitialised memory, no leak. Skipped in the sanitizer
// build (the two do not mix) and where valgrind is not installed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "robust_support.h"

TEST(ValgrindJob, MultiPageJobRunsClean)
{
#ifdef IMPACT_SANITIZED
    GTEST_SKIP() << "sanitizer build";
#else
    if (std::system("valgrind --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "valgrind is not installed";
    const std::string dir = testDirectory("valgrind");
    const std::string ppd = dir + "/printer.ppd";
    writeTextFile(ppd, ppdText(PpdText{}));
    // Dense and sparse bands, a trailing partial band, and a page of other
    // geometry that renews the work buffer.
    std::vector<RasterPage> pages;
    for (int p = 0; p < 2; ++p) {
        RasterPage page = page180(700);
        for (uint32_t y = 30; y < 690; y += 1 + p)
            for (uint32_t x = y % 11; x < 1440; x += 13 + p * 40)
                setDot(&page, x, y);
        pages.push_back(page);
    }
    RasterPage nine = blankPage(960, 100, 120, 72, 8);
    for (uint32_t y = 0; y < 100; y += 3)
        setDot(&nine, y * 9, y);
    pages.push_back(nine);
    const std::string raster = dir + "/job.ras";
    writeRasterFile(raster, pages);

    const std::string log = dir + "/memcheck.log";
    const std::string out = dir + "/out";
    const std::string command = "PPD=" + ppd + " valgrind --tool=memcheck --leak-check=full --track-origins=yes " +
                                "--errors-for-leak-kinds=definite,indirect,possible --error-exitcode=99 --log-file=" +
                                log + " " + filterPath() + " 1 user title 1 '' " + raster + " >" + out + " 2>" + dir +
                                "/err";
    const int status = std::system(command.c_str());
    const std::string report = readTextFile(log);
    ASSERT_TRUE(WIFEXITED(status)) << report;
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
    EXPECT_NE(report.find("definitely lost: 0 bytes"), std::string::npos) << report;
    EXPECT_NE(report.find("indirectly lost: 0 bytes"), std::string::npos) << report;
    EXPECT_NE(report.find("possibly lost: 0 bytes"), std::string::npos) << report;
    // And the job itself was the same as without valgrind.
    FilterRun plain = runFilter({"1", "user", "title", "1", "", raster}, ppd);
    EXPECT_EQ(plain.exitStatus, 0);
    EXPECT_EQ(readBinaryFile(out), plain.out);
    EXPECT_GT(plain.out.size(), 10000u);
#endif
}
