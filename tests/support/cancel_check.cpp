#include "cancel_check.h"

#include <csignal>

namespace {

CancelVerdict invalid(const std::string& why)
{
    return CancelVerdict{CancelOutcome::Invalid, why};
}

bool endsWith(const std::vector<uint8_t>& bytes, size_t from, const std::vector<uint8_t>& tail)
{
    return bytes.size() - from == tail.size() && std::equal(tail.begin(), tail.end(), bytes.begin() + static_cast<long>(from));
}

} // namespace

const char* outcomeName(CancelOutcome outcome)
{
    switch (outcome) {
    case CancelOutcome::Killed:
        return "killed before the first page";
    case CancelOutcome::Ignored:
        return "ignored between or after pages";
    case CancelOutcome::Cancelled:
        return "cancelled in a page";
    case CancelOutcome::CancelledOwing:
        return "cancelled in a page, image bytes owed";
    case CancelOutcome::Invalid:
        break;
    }
    return "invalid";
}

CancelVerdict judgeCancelledJob(const CancelExpectation& expect, const std::vector<uint8_t>& out, int exitStatus,
                                int signal, bool readyLine)
{
    if (signal != 0) {
        if (signal != SIGTERM)
            return invalid("ended by signal " + std::to_string(signal));
        if (!out.empty())
            return invalid("killed by SIGTERM after " + std::to_string(out.size()) + " bytes of printer data");
        return CancelVerdict{CancelOutcome::Killed, ""};
    }
    if (exitStatus != 0)
        return invalid("exit status " + std::to_string(exitStatus));

    DecodedStream decoded;
    decodeStream(out.data(), out.size(), expect.printer, &decoded);
    if (decoded.failed)
        return invalid("printer data does not decode: " + describeError(decoded));
    if (!decoded.jobEnd)
        return invalid("printer data does not end with the job end");

    if (out == expect.reference) {
        if (!readyLine)
            return invalid("whole job without the final status line");
        return CancelVerdict{CancelOutcome::Ignored, ""};
    }
    if (readyLine)
        return invalid("cancelled job wrote the final status line");

    // Where the data leaves the job's own: that must be where a command of
    // the job begins (the job's commands never begin with a NUL byte).
    size_t cut = 0;
    while (cut < out.size() && cut < expect.reference.size() && out[cut] == expect.reference[cut])
        ++cut;
    DecodedStream reference;
    decodeStream(expect.reference.data(), expect.reference.size(), expect.printer, &reference);
    const Command* next = nullptr;
    const Command* lastImage = nullptr;
    for (const Command& c : reference.commands) {
        if (c.offset == cut) {
            next = &c;
            break;
        }
        if (c.offset > cut)
            break;
        if (c.kind == CommandKind::BitImage)
            lastImage = &c;
    }
    if (next == nullptr)
        return invalid("data leaves the job at offset " + std::to_string(cut) + ", inside a command");
    if (cut == 0)
        return invalid("cancelled before the job start was sent");

    const std::vector<uint8_t> tail = [&] {
        std::vector<uint8_t> t = expect.pageEnd;
        t.insert(t.end(), expect.jobEnd.begin(), expect.jobEnd.end());
        return t;
    }();
    if (out.size() < cut + tail.size())
        return invalid("too short for the page end and job end after offset " + std::to_string(cut));
    const size_t tailAt = out.size() - tail.size();
    if (!endsWith(out, tailAt, tail))
        return invalid("does not end with the page end and the job end");
    for (size_t i = cut; i < tailAt; ++i)
        if (out[i] != 0)
            return invalid("byte " + std::to_string(i) + " between the cut and the page end is not NUL");
    const size_t nuls = tailAt - cut;
    if (nuls == 16)
        return CancelVerdict{CancelOutcome::Cancelled, ""};
    const size_t owed = lastImage != nullptr ? static_cast<size_t>(lastImage->args[1]) * lastImage->args[2] : 0;
    if (owed != 0 && nuls == 16 + owed)
        return CancelVerdict{CancelOutcome::CancelledOwing, ""};
    return invalid(std::to_string(nuls) + " NUL bytes after offset " + std::to_string(cut) + " (16, or 16 + " +
                   std::to_string(owed) + " when an image was in flight)");
}
