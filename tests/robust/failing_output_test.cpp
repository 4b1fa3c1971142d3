// A printer connection that fails: a full device, a reader that goes
// away, a stream that takes only part of each write. The filter reports
// the failure, exits with status 5 and never hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "filter/job_run.h"
#include "robust_support.h"

namespace {

const std::string kOutputError = "ERROR: Print data output error.\n";

class FailingOutput : public testing::Test {
protected:
    std::string dir;
    std::string ppd;
    void SetUp() override
    {
        dir = testDirectory("failing-output");
        ppd = dir + "/printer.ppd";
        writeTextFile(ppd, ppdText(PpdText{}));
    }
    // Dense pages: about 330 KB of printer data each.
    std::string bigJob(int pages)
    {
        std::vector<RasterPage> list;
        for (int p = 0; p < pages; ++p) {
            RasterPage page = page180(1800);
            for (uint32_t y = 0; y < 1800; ++y)
                for (uint32_t x = (y + p) % 5; x < 1440; x += 5)
                    setDot(&page, x, y);
            list.push_back(page);
        }
        std::string path = dir + "/big.ras";
        writeRasterFile(path, list);
        return path;
    }
    // Runs the filter with its standard output on out; err collected.
    FilterEnd runOn(int out, const std::string& raster, std::string* err, int timeoutMs = 30000)
    {
        const std::string errPath = dir + "/err";
        int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid_t pid = spawnFilter({"3", "user", "title", "1", "", raster}, ppd, in, out, errFd);
        close(in);
        close(errFd);
        close(out);
        FilterEnd end = waitFilter(pid, timeoutMs);
        *err = readTextFile(errPath);
        return end;
    }
};

// The end of a job whose output failed inside a page: the band that
// failed has no line of its own; the page end and the job end report one
// line each, and the job ends after that page.
void expectFailedInFirstPage(const std::string& err)
{
    const std::string ending = kOutputError + kOutputError + "INFO: Ready to print.\n";
    ASSERT_GE(err.size(), ending.size()) << err;
    EXPECT_EQ(err.substr(err.size() - ending.size()), ending) << err;
    EXPECT_EQ(err.rfind("PAGE: 1 1\nINFO: Printing page 1, 0% complete...\n", 0), 0u) << err;
    EXPECT_EQ(err.find("PAGE: 2"), std::string::npos) << err;
}

size_t countOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(FailingOutput, FullDevice)
{
    std::string err;
    FilterEnd end = runOn(open("/dev/full", O_WRONLY | O_CLOEXEC), bigJob(2), &err);
    EXPECT_FALSE(end.timedOut);
    EXPECT_EQ(end.exitStatus, 5);
    // The first write to the device fails (when the output buffer fills or
    // at the page end, whichever comes first); the job ends in that page.
    expectFailedInFirstPage(err);
}

TEST_F(FailingOutput, ReaderGoneBeforeTheFirstByte)
{
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    close(fds[0]);
    std::string err;
    FilterEnd end = runOn(fds[1], bigJob(1), &err);
    EXPECT_FALSE(end.timedOut);
    EXPECT_EQ(end.signal, 0) << "a vanished reader must not kill the filter";
    EXPECT_EQ(end.exitStatus, 5);
    expectFailedInFirstPage(err);
}

TEST_F(FailingOutput, ReaderGoneInTheMiddleOfTheJob)
{
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const std::string raster = bigJob(4);
    std::string err;
    std::thread reader([&] {
        // Take some of the data, then go away.
        std::vector<unsigned char> buffer(4096);
        size_t got = 0;
        while (got < 500000) {
            ssize_t n = read(fds[0], buffer.data(), buffer.size());
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        close(fds[0]);
    });
    FilterEnd end = runOn(fds[1], raster, &err);
    reader.join();
    EXPECT_FALSE(end.timedOut);
    EXPECT_EQ(end.signal, 0);
    EXPECT_EQ(end.exitStatus, 5);
    // Reported at the page end and at the job end, once each, and the job
    // ends in the page where the output failed: the reader took the first
    // page (about 330 KB) and part of the second.
    EXPECT_EQ(countOf(err, kOutputError), 2u) << err;
    const std::string ending = kOutputError + kOutputError + "INFO: Ready to print.\n";
    EXPECT_EQ(err.substr(err.size() - std::min(err.size(), ending.size())), ending) << err;
    EXPECT_NE(err.find("PAGE: 2 1\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("PAGE: 3 1\n"), std::string::npos) << err;
}

TEST_F(FailingOutput, DeviceThatNeverTakesMoreDoesNotHang)
{
    // A non-blocking pipe nobody reads: it takes 64 KB, then every write
    // would block. The filter gives up instead of waiting for ever.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    std::string err;
    FilterEnd end = runOn(fds[1], bigJob(3), &err);
    close(fds[0]);
    EXPECT_FALSE(end.timedOut);
    EXPECT_EQ(end.exitStatus, 5);
    EXPECT_EQ(countOf(err, kOutputError), 2u) << err;
}

TEST_F(FailingOutput, StreamThatTakesOnlyPartOfEachWrite)
{
    // In process: the job through a stream that takes at most 4 bytes per
    // write. Short commands get through; the first band's image data does
    // not (three writes of 4 bytes), which fails the band and ends the job.
    RasterPage page = page180(48);
    for (uint32_t x = 0; x < 8; ++x)
        setDot(&page, x, 0);
    const std::string raster = dir + "/one.ras";
    writeRasterFile(raster, {page});
    setenv("PPD", ppd.c_str(), 1);
    int fd = open(raster.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    CaptureStream capture;
    capture.acceptPerWrite = 4;
    captureBegin(&capture);
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    StatusCode status = runJob(fd, "");
    const std::string err = testing::internal::GetCapturedStderr();
    captureEnd(&capture);
    close(fd);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(status, 5);
    // A band's write failure has no line of its own.
    EXPECT_EQ(err, "PAGE: 1 1\nINFO: Printing page 1, 0% complete...\nINFO: Ready to print.\n");
    // The job start went through whole; the band's 24 data bytes only in
    // part (12 of them); then its carriage return, the page end and the job
    // end.
    EXPECT_EQ(hexOf(capture.bytes), kJobStart + " 1B 24 00 00 1B 2A 27 08 00 " +
                                        "80 00 00 80 00 00 80 00 00 80 00 00 0D 0C " + kJobEnd);

    // A stream that takes nothing after the first 5 writes.
    fd = open(raster.c_str(), O_RDONLY | O_CLOEXEC);
    CaptureStream dead;
    dead.failAfterWrites = 5;
    captureBegin(&dead);
    testing::internal::CaptureStderr();
    status = runJob(fd, "");
    const std::string deadErr = testing::internal::GetCapturedStderr();
    captureEnd(&dead);
    close(fd);
    EXPECT_EQ(status, 5);
    // The job start fails at its page length; it, the page end and the job
    // end report once each, and no line is read.
    EXPECT_EQ(deadErr, "PAGE: 1 1\n" + kOutputError + kOutputError + kOutputError + "INFO: Ready to print.\n");
    EXPECT_EQ(hexOf(dead.bytes), "1B 40 0D 1B 50 1B 28 55 01 00 0A");
}
