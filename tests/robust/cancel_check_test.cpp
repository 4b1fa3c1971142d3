// The judge of cancelled jobs must refuse what a cancelled job must not
// look like, or the stress test proves nothing.
#include <gtest/gtest.h>

#include <csignal>

#include "cancel_check.h"

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::vector<uint8_t> join(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> nuls(size_t n)
{
    return std::vector<uint8_t>(n, 0);
}

struct Fixture {
    CancelExpectation expect;
    std::vector<uint8_t> start = bytes({0x1B, 0x40, 0x0D, 0x1B, 0x50});
    // Two columns of 3 bytes in mode 39, then the carriage return.
    std::vector<uint8_t> band = bytes({0x1B, 0x2A, 39, 2, 0, 0x80, 0, 0, 0x40, 0, 0, 0x0D});
    Fixture()
    {
        printerClassForPins(24, &expect.printer);
        expect.pageEnd = bytes({0x0C});
        expect.jobEnd = bytes({0x1B, 0x40, 0x0D});
        expect.reference = join(join(join(join(start, band), band), expect.pageEnd), expect.jobEnd);
    }
    std::vector<uint8_t> tail() const { return join(expect.pageEnd, expect.jobEnd); }
    CancelOutcome judge(const std::vector<uint8_t>& out, int exit = 0, int signal = 0, bool ready = false) const
    {
        return judgeCancelledJob(expect, out, exit, signal, ready).outcome;
    }
};

} // namespace

TEST(CancelledJobCheck, AcceptsTheFourOutcomes)
{
    Fixture f;
    EXPECT_EQ(f.judge({}, -1, SIGTERM), CancelOutcome::Killed);
    EXPECT_EQ(f.judge(f.expect.reference, 0, 0, true), CancelOutcome::Ignored);
    // After the job start, after the first band, or after the page end.
    EXPECT_EQ(f.judge(join(join(f.start, nuls(16)), f.tail())), CancelOutcome::Cancelled);
    const std::vector<uint8_t> oneBand = join(f.start, f.band);
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(16)), f.tail())), CancelOutcome::Cancelled);
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(16 + 6)), f.tail())), CancelOutcome::CancelledOwing);
    const std::vector<uint8_t> pageEnded = join(join(oneBand, f.band), f.expect.pageEnd);
    EXPECT_EQ(f.judge(join(join(pageEnded, nuls(16)), f.tail())), CancelOutcome::Cancelled);
}

TEST(CancelledJobCheck, RefusesWhatACancelledJobMustNotLookLike)
{
    Fixture f;
    const std::vector<uint8_t> oneBand = join(f.start, f.band);
    // Killed after data was sent, or by another signal.
    EXPECT_EQ(f.judge(f.start, -1, SIGTERM), CancelOutcome::Invalid);
    EXPECT_EQ(f.judge({}, -1, SIGKILL), CancelOutcome::Invalid);
    // A failure status; the whole job without its final line.
    EXPECT_EQ(f.judge(f.expect.reference, 5, 0, true), CancelOutcome::Invalid);
    EXPECT_EQ(f.judge(f.expect.reference, 0, 0, false), CancelOutcome::Invalid);
    // Too few NULs, a count that matches no image, or none at all.
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(15)), f.tail())), CancelOutcome::Invalid);
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(20)), f.tail())), CancelOutcome::Invalid);
    EXPECT_EQ(f.judge(join(oneBand, f.tail())), CancelOutcome::Invalid);
    // Owed image bytes where no image was sent.
    EXPECT_EQ(f.judge(join(join(f.start, nuls(16 + 6)), f.tail())), CancelOutcome::Invalid);
    // Cut inside the bit image: its data completed by NULs would decode,
    // but the job's data was left inside a command.
    std::vector<uint8_t> cutImage(oneBand.begin(), oneBand.begin() + 5 + 5 + 2);
    EXPECT_EQ(f.judge(join(join(cutImage, nuls(16)), f.tail())), CancelOutcome::Invalid);
    // No page end, or no job end.
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(16)), f.expect.jobEnd)), CancelOutcome::Invalid);
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(16)), f.expect.pageEnd)), CancelOutcome::Invalid);
    // The final status line after a cancellation.
    EXPECT_EQ(f.judge(join(join(oneBand, nuls(16)), f.tail()), 0, 0, true), CancelOutcome::Invalid);
    // Something other than NULs before the page end.
    std::vector<uint8_t> noisy = join(join(oneBand, nuls(16)), f.tail());
    noisy[oneBand.size() + 3] = 0x0D;
    EXPECT_EQ(f.judge(noisy), CancelOutcome::Invalid);
}
