// A printer connection that fails: a full device, a reader that goes away
// before the first byte or in the middle of the job, a device that never
// takes more, a stream that takes only part of each write. The job reports
// the failure, ends with status 5 and never hangs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "capture_stream.h"
#include "filter_process.h"

namespace {

const std::string kOutputLine = "ERROR: Print data output error.\n";

size_t countOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(FailingOutput, TheFilterReportsItOnceAtThePageEndAndTheJobEnd)
{
    TempDir dir;
    const std::string ppd = writePpd(dir);
    // Dense pages: about 330 KB of printer data each.
    std::vector<RasterPage> pages;
    for (int p = 0; p < 4; ++p) {
        RasterPage page = page180(1800);
        for (uint32_t y = 0; y < 1800; ++y)
            for (uint32_t x = (y + p) % 5; x < 1440; x += 5)
                setDot(&page, x, y);
        pages.push_back(page);
    }
    writeFile(dir.file("big.ras"), rasterBytes(pages));
    const struct {
        const char* what;
        int lastPage; // the page the job ends in
        int (*open)(int* readEnd);
    } cases[] = {
        {"full device", 1, [](int*) { return open("/dev/full", O_WRONLY | O_CLOEXEC); }},
        {"reader gone before the first byte", 1, [](int*) {
             int fds[2];
             pipe2(fds, O_CLOEXEC);
             close(fds[0]);
             return fds[1];
         }},
        {"device that never takes more", 1, [](int* readEnd) { // a non-blocking pipe nobody reads
             int fds[2];
             pipe2(fds, O_CLOEXEC | O_NONBLOCK);
             *readEnd = fds[0];
             return fds[1];
         }},
        {"reader gone after 500 KB", 2, [](int* readEnd) {
             int fds[2];
             pipe2(fds, O_CLOEXEC);
             *readEnd = fds[0];
             return fds[1];
         }},
    };
    for (const auto& c : cases) {
        int readEnd = -1;
        const int out = c.open(&readEnd);
        ASSERT_GE(out, 0) << c.what;
        std::thread reader;
        if (c.lastPage == 2)
            reader = std::thread([readEnd] {
                std::vector<unsigned char> buffer(4096);
                for (size_t got = 0; got < 500000;) {
                    const ssize_t n = read(readEnd, buffer.data(), buffer.size());
                    if (n <= 0)
                        break;
                    got += static_cast<size_t>(n);
                }
                close(readEnd);
            });
        const ProgramRun r = runFilter(filterArgs("", dir.file("big.ras")), ppd, "", out, 30000);
        if (reader.joinable())
            reader.join();
        else if (readEnd >= 0)
            close(readEnd);
        EXPECT_FALSE(r.timedOut) << c.what;
        EXPECT_EQ(r.signal, 0) << c.what << ": a vanished reader must not kill the filter";
        EXPECT_EQ(r.exitStatus, 5) << c.what;
        // The band that failed has no line of its own.
        EXPECT_EQ(countOf(r.err, kOutputLine), 2u) << c.what << ":\n" << r.err;
        const std::string ending = kOutputLine + kOutputLine + "INFO: Ready to print.\n";
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), ending.size())), ending) << c.what;
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
    EXPECT_EQ(runTestJob(&partial, "", ppd, raster), 5);
    EXPECT_EQ(partial.status, "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n");
    EXPECT_EQ(partial.hex(), kJobStart + " 1B 24 00 00 1B 2A 27 08 00 80 00 00 80 00 00 80 00 00 80 00 00 0D 0C " + kJobEnd);
    // Nothing taken after five writes: the job start fails at its page
    // length and no line is read; it, the page end and the job end report.
    TestJob dead;
    dead.out.failAfterWrites = 5;
    EXPECT_EQ(runTestJob(&dead, "", ppd, raster), 5);
    EXPECT_EQ(dead.status, "PAGE: 1 1\n" + kOutputLine + kOutputLine + kOutputLine + "INFO: Ready to print.\n");
    EXPECT_EQ(dead.hex(), "1B 40 0D 1B 50 1B 28 55 01 00 0A");
}
