// SIGTERM while the filter waits for the rest of a page on a pipe: the job
// ends at once, on paper, with everything it had printed, 16 NUL bytes,
// the page end and the job end, and without the final status line.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "capture_stream.h"
#include "filter_process.h"

TEST(Cancellation, WhileWaitingForInputInAPage)
{
    const std::string nuls = hexBytes(std::vector<unsigned char>(16, 0));
    const struct {
        std::vector<std::pair<uint32_t, uint32_t>> dots;
        uint32_t linesSent;
        std::string printed;
    } cases[] = {
        {{{0, 0}, {0, 30}}, 100, kJobStart + " " + kDotBand + " 1B 4A 1E " + kDotBand}, // two bands printed
        {{{0, 500}}, 10, kJobStart},                                                     // none yet
    };
    for (const auto& c : cases) {
        TempDir dir;
        // Uncompressed, so that a prefix holds whole lines.
        const std::vector<unsigned char> bytes = rasterBytes({withDots(page180(1000), c.dots)}, false);
        LiveFilter filter = startFilter("", writePpd(dir), dir);
        ASSERT_TRUE(feedFilter(&filter, bytes.data(), 4 + 1796 + size_t{c.linesSent} * 180));
        ASSERT_TRUE(waitForText(filter.errPath, "INFO: Printing page 1, 0% complete...", 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(filter.pid, SIGTERM);
        const auto start = std::chrono::steady_clock::now();
        const ProgramRun r = finishFilter(&filter);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(hexBytes(r.out), c.printed + " " + nuls + " 0C " + kJobEnd);
        EXPECT_EQ(r.err.find("INFO: Ready to print."), std::string::npos);
    }
}
