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
    const V start = bytesOf({0x1B, 0x40, 0x0D, 0x1B, 0x50});
    const V band = bytesOf({0x1B, 0x2A, 39, 2, 0, 0x80, 0, 0, 0x40, 0, 0, 0x0D}); // two columns of 3 bytes
    const V pageEnd = {0x0C}, jobEnd = {0x1B, 0x40, 0x0D}, oneBand = join({start, band});
    // The data up to the cut, the NULs, the page end and the job end.
    auto cut = [&](const V& head, size_t nuls) { return join({head, V(nuls, 0), pageEnd, jobEnd}); };
    CancelExpectation expect = {join({start, band, band, pageEnd, jobEnd}), pageEnd, jobEnd, {}};
    printerClassForPins(24, &expect.printer);
    V noisy = cut(oneBand, 16);
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
        {"after the job start", cut(start, 16), 0, 0, false, CancelOutcome::Cancelled},
        {"after a band", cut(oneBand, 16), 0, 0, false, CancelOutcome::Cancelled},
        {"image bytes owed", cut(oneBand, 16 + 6), 0, 0, false, CancelOutcome::CancelledOwing},
        {"after the page end", cut(join({oneBand, band, pageEnd}), 16), 0, 0, false, CancelOutcome::Cancelled},
        {"cancelled before the job start", cut({}, 16), 0, 0, false, CancelOutcome::Invalid},
        {"killed after data", start, -1, SIGTERM, false, CancelOutcome::Invalid},
        {"another signal", {}, -1, SIGKILL, false, CancelOutcome::Invalid},
        {"failure status", expect.reference, 5, 0, true, CancelOutcome::Invalid},
        {"whole job without its last line", expect.reference, 0, 0, false, CancelOutcome::Invalid},
        {"15 NULs", cut(oneBand, 15), 0, 0, false, CancelOutcome::Invalid},
        {"20 NULs", cut(oneBand, 20), 0, 0, false, CancelOutcome::Invalid},
        {"no NULs", cut(oneBand, 0), 0, 0, false, CancelOutcome::Invalid},
        {"owed bytes without an image", cut(start, 16 + 6), 0, 0, false, CancelOutcome::Invalid},
        {"left inside a command", cut(V(oneBand.begin(), oneBand.begin() + 12), 16), 0, 0, false, CancelOutcome::Invalid},
        {"no page end", join({oneBand, V(16, 0), jobEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"no job end", join({oneBand, V(16, 0), pageEnd}), 0, 0, false, CancelOutcome::Invalid},
        {"last line after a cancel", cut(oneBand, 16), 0, 0, true, CancelOutcome::Invalid},
        {"not only NULs", noisy, 0, 0, false, CancelOutcome::Invalid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judgeCancelledJob(expect, c.out, c.exit, c.signal, c.ready).outcome, c.outcome) << c.what;
}
