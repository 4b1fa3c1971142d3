// A printer connection that fails: the job reports it, ends with status 5 and never hangs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "capture_stream.h"
#include "filter_process.h"

const std::string kOutputLine = "ERROR: Print data output error.\n";

TEST(FailingOutput, TheFilterReportsItOnceAtThePageEndAndTheJobEnd)
{
    TempDir dir;
    const std::string ppd = writePpd(dir);
    // Dense pages: about 330 KB of printer data each.
    std::vector<RasterPage> pages(4, page180(1800));
    for (uint32_t p = 0; p < 4; ++p)
        for (uint32_t y = 0; y < 1800; ++y)
            for (uint32_t x = (y + p) % 5; x < 1440; x += 5)
                setDot(&pages[p], x, y);
    writeFile(dir.file("big.ras"), rasterBytes(pages));
    enum Output { FullDevice, ReaderGone, NeverTakesMore, ReaderGoneLater };
    const struct {
        const char* what;
        Output output;
        int lastPage; // the page the job ends in
    } cases[] = {
        {"full device", FullDevice, 1},
        {"reader gone before the first byte", ReaderGone, 1},
        {"device that never takes more (a non-blocking pipe nobody reads)", NeverTakesMore, 1},
        {"reader gone after 500 KB", ReaderGoneLater, 2},
    };
    for (const auto& c : cases) {
        int fds[2] = {-1, -1};
        ASSERT_TRUE(c.output == FullDevice ? (fds[1] = open("/dev/full", O_WRONLY | O_CLOEXEC)) >= 0
                                           : pipe2(fds, O_CLOEXEC | (c.output == NeverTakesMore ? O_NONBLOCK : 0)) == 0);
        if (c.output == ReaderGone)
            close(std::exchange(fds[0], -1));
        std::thread reader;
        if (c.output == ReaderGoneLater)
            reader = std::thread([fd = std::exchange(fds[0], -1)] {
                std::vector<unsigned char> buffer(4096);
                for (ssize_t n, got = 0; got < 500000 && (n = read(fd, buffer.data(), buffer.size())) > 0; got += n) {
                }
                close(fd);
            });
        const ProgramRun r = runFilter(filterArgs("", dir.file("big.ras")), ppd, "", fds[1], 30000);
        if (reader.joinable())
            reader.join();
        if (fds[0] >= 0)
            close(fds[0]);
        EXPECT_FALSE(r.timedOut) << c.what;
        EXPECT_EQ(r.signal, 0) << c.what << ": a vanished reader must not kill the filter";
        EXPECT_EQ(r.exitStatus, 5) << c.what;
        // Reported at the page end and the job end only, not at the band.
        const std::string ending = kOutputLine + kOutputLine + "INFO: Ready to print.\n";
        EXPECT_TRUE(r.err.ends_with(ending) && r.err.find(kOutputLine) == r.err.size() - ending.size()) << c.what << ":\n" << r.err;
        EXPECT_NE(r.err.find("PAGE: " + std::to_string(c.lastPage) + " 1\n"), std::string::npos) << c.what;
        EXPECT_EQ(r.err.find("PAGE: " + std::to_string(c.lastPage + 1) + " 1\n"), std::string::npos) << c.what;
    }
}

TEST(FailingOutput, AStreamThatTakesOnlyPartOfEachWrite)
{
    TempDir dir;
    const std::string ppd = writePpd(dir);
    const std::vector<unsigned char> raster = rasterBytes({withDots(page180(48), {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}})});
    // At most 4 bytes a write: the short commands get through, the band's
    // 24 data bytes only in part (three writes), which fails the job at the
    // band; its carriage return, the page end and the job end still go out.
    TestJob partial;
    partial.out.acceptPerWrite = 4;
    EXPECT_EQ(runTestJob(&partial, "", ppd, raster), impact::JobResult::OutputFailed);
    EXPECT_EQ(partial.status, "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n");
    EXPECT_EQ(partial.hex(), kJobStart + " 1B 24 00 00 1B 2A 27 08 00 80 00 00 80 00 00 80 00 00 80 00 00 0D 0C " + kJobEnd);
    // Nothing taken after four commands: the job start fails at its page
    // length and no line is read; it, the page end and the job end report.
    TestJob dead;
    dead.out.failAfterWrites = 4;
    EXPECT_EQ(runTestJob(&dead, "", ppd, raster), impact::JobResult::OutputFailed);
    EXPECT_EQ(dead.status, "PAGE: 1 1\n" + kOutputLine + kOutputLine + kOutputLine + "INFO: Ready to print.\n");
    EXPECT_EQ(dead.hex(), "1B 40 0D 1B 50 1B 28 55 01 00 0A");
}
