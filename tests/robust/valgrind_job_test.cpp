// A multi-page job under memcheck: no error, no leak, the same data as without it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "filter_process.h"

TEST(ValgrindJob, MultiPageJobRunsClean)
{
#ifdef IMPACT_SANITIZED
    GTEST_SKIP() << "sanitizer build";
#else
    if (std::system("valgrind --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "valgrind is not installed";
    TempDir dir;
    const std::string ppd = writePpd(dir), job = dir.file("job.ras");
    // Dense and sparse bands, a partial last band, and a page that renews the work buffer.
    std::vector<RasterPage> pages = {page180(700), page180(700), blankPage(960, 100, 120, 72, 8)};
    for (uint32_t p = 0; p < 2; ++p)
        for (uint32_t y = 30; y < 690; y += 1 + p)
            for (uint32_t x = y % 11; x < 1440; x += 13 + p * 40)
                setDot(&pages[p], x, y);
    for (uint32_t y = 0; y < 100; y += 3)
        setDot(&pages[2], y * 9, y);
    writeFile(job, rasterBytes(pages));
    std::vector<std::string> argv = {"/usr/bin/valgrind", "--tool=memcheck", "--leak-check=full", "--track-origins=yes",
                                     "--errors-for-leak-kinds=definite,indirect,possible", "--error-exitcode=99",
                                     "--log-file=" + dir.file("memcheck.log"), filterPath()};
    for (const std::string& a : filterArgs("", job))
        argv.push_back(a);
    const ProgramRun checked = runProgram(argv, {"PPD=" + ppd}, "", -1, 100000);
    const std::string report = readText(dir.file("memcheck.log"));
    EXPECT_EQ(checked.exitStatus, 0) << report;
    for (const char* clean : {"ERROR SUMMARY: 0 errors", "definitely lost: 0 bytes", "indirectly lost: 0 bytes",
                              "possibly lost: 0 bytes"})
        EXPECT_NE(report.find(clean), std::string::npos) << clean << "\n" << report;
    const ProgramRun plain = runFilter(filterArgs("", job), ppd);
    EXPECT_EQ(plain.exitStatus, 0);
    EXPECT_TRUE(checked.out == plain.out && plain.out.size() > 10000u) << plain.out.size();
#endif
}
