// SIGTERM while the filter waits for the rest of a page on a pipe: the job
// ends at once, on paper, with everything it had printed, 16 NUL bytes,
// the page end and the job end, and without the final status line.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

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
        int input[2];
        ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
        const int out = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const pid_t pid = spawnFilter("", writePpd(dir), input[0], out, err);
        close(input[0]);
        close(out);
        close(err);
        EXPECT_TRUE(writeAllTo(input[1], bytes.data(), 4 + 1796 + size_t{c.linesSent} * 180));
        EXPECT_TRUE(waitForText(dir.file("err"), "INFO: Printing page 1, 0% complete...", 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, SIGTERM);
        const ProgramRun r = waitProgram(pid, 5000); // the input stays open
        close(input[1]);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(hexBytes(readFile(dir.file("out"))), c.printed + " " + nuls + " 0C " + kJobEnd);
        EXPECT_EQ(readText(dir.file("err")).find("INFO: Ready to print."), std::string::npos);
    }
}
