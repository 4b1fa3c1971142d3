// The judge of cancelled jobs must refuse what a cancelled job must not
// look like, or the cancellation tests prove nothing.
#include <gtest/gtest.h>

#include <csignal>

#include "cancel_check.h"
#include "capture_stream.h"

TEST(CancelledJobCheck, AcceptsTheFourOutcomesAndNothingElse)
{
    using V = std::vector<uint8_t>;
    auto join = [](std::initializer_list<V> parts) {
        V out;
        for (const V& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    auto nuls = [](size_t n) { return V(n, 0); };
    const V start = bytesOf({0x1B, 0x40, 0x0D, 0x1B, 0x50});
    const V band = bytesOf({0x1B, 0x2A, 39, 2, 0, 0x80, 0, 0, 0x40, 0, 0, 0x0D}); // two columns of 3 bytes
    const V pageEnd = bytesOf({0x0C}), jobEnd = bytesOf({0x1B, 0x40, 0x0D});
    CancelExpectation expect;
    printerClassForPins(24, &expect.printer);
    expect.pageEnd = pageEnd;
    expect.jobEnd = jobEnd;
    expect.reference = join({start, band, band, pageEnd, jobEnd});
    const V oneBand = join({start, band});
    const V cutImage(oneBand.begin(), oneBand.begin() + 12); // inside the bit image
    V noisy = join({oneBand, nuls(16), pageEnd, jobEnd});
    noisy[oneBand.size() + 3] = 0x0D;
    const struct {
        const char* what;
        V out;
        int exit, signal;
        bool ready;
        CancelOutcome outcome;
    } cases[] = {
        {"killed before any data", {}, -1, SIGTERM, false, CancelOutcome::Killed},
        {"the whole job", expect.reference, 0, 0, true, CancelOutcome::Ignored},
        {"after the job start", join({start, nuls(16), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Cancelled},
        {"after a band", join({oneBand, nuls(16), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Cancelled},
        {"image bytes owed", join({oneBand, nuls(16 + 6), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::CancelledOwing},
        {"after the page end", join({oneBand, band, pageEnd, nuls(16), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Cancelled},
        {"killed after data", start, -1, SIGTERM, false, CancelOutcome::Invalid},
        {"another signal", {}, -1, SIGKILL, false, CancelOutcome::Invalid},
        {"failure status", expect.reference, 5, 0, true, CancelOutcome::Invalid},
        {"whole job without its last line", expect.reference, 0, 0, false, CancelOutcome::Invalid},
        {"15 NULs", join({oneBand, nuls(15), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"20 NULs", join({oneBand, nuls(20), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"no NULs", join({oneBand, pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"owed bytes without an image", join({start, nuls(16 + 6), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"left inside a command", join({cutImage, nuls(16), pageEnd, jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"no page end", join({oneBand, nuls(16), jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"no job end", join({oneBand, nuls(16), pageEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"last line after a cancel", join({oneBand, nuls(16), pageEnd, jobEnd}), 0, 0, true, CancelOutcome::Invalid},
        {"not only NULs", noisy, 0, 0, false, CancelOutcome::Invalid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judgeCancelledJob(expect, c.out, c.exit, c.signal, c.ready).outcome, c.outcome) << c.what;
}
