#include "cancel_check.h"

#include <algorithm>
#include <csignal>

namespace {

CancelVerdict invalid(const std::string& why)
{
    return CancelVerdict{CancelOutcome::Invalid, why};
}

} // namespace

const char* outcomeName(CancelOutcome outcome)
{
    static const char* const names[] = {"invalid", "killed before the first page", "ignored between or after pages",
                                        "cancelled in a page", "cancelled in a page, image bytes owed"};
    return names[static_cast<int>(outcome)];
}

CancelVerdict judgeCancelledJob(const CancelExpectation& expect, const std::vector<uint8_t>& out, int exitStatus,
                                int signal, bool readyLine)
{
    if (signal != 0)
        return signal == SIGTERM && out.empty()
                   ? CancelVerdict{CancelOutcome::Killed, ""}
                   : invalid("ended by signal " + std::to_string(signal) + " after " + std::to_string(out.size()) + " bytes");
    if (exitStatus != 0)
        return invalid("exit status " + std::to_string(exitStatus));

    DecodedStream decoded;
    decodeStream(out.data(), out.size(), expect.printer, &decoded);
    if (decoded.failed)
        return invalid("printer data does not decode: " + describeError(decoded));
    if (!decoded.jobEnd)
        return invalid("printer data does not end with the job end");

    if (readyLine != (out == expect.reference))
        return invalid(readyLine ? "cancelled job wrote the final status line" : "whole job without the final status line");
    if (readyLine)
        return CancelVerdict{CancelOutcome::Ignored, ""};

    // The data must leave the job's own where a command begins (none begins with a NUL).
    size_t cut = 0;
    while (cut < out.size() && cut < expect.reference.size() && out[cut] == expect.reference[cut])
        ++cut;
    DecodedStream reference;
    decodeStream(expect.reference.data(), expect.reference.size(), expect.printer, &reference);
    bool atCommand = false;
    const Command* lastImage = nullptr;
    for (const Command& c : reference.commands) {
        if (c.offset >= cut) {
            atCommand = c.offset == cut;
            break;
        }
        if (c.kind == CommandKind::BitImage)
            lastImage = &c;
    }
    if (!atCommand)
        return invalid("data leaves the job at offset " + std::to_string(cut) + ", inside a command");
    if (cut == 0)
        return invalid("cancelled before the job start was sent");

    std::vector<uint8_t> tail = expect.pageEnd;
    tail.insert(tail.end(), expect.jobEnd.begin(), expect.jobEnd.end());
    if (out.size() < cut + tail.size())
        return invalid("too short for the page end and job end after offset " + std::to_string(cut));
    const size_t tailAt = out.size() - tail.size();
    if (!std::equal(tail.begin(), tail.end(), out.begin() + tailAt))
        return invalid("does not end with the page end and the job end");
    if (std::any_of(out.begin() + cut, out.begin() + tailAt, [](uint8_t b) { return b != 0; }))
        return invalid("bytes between the cut and the page end are not all NUL");
    const size_t nuls = tailAt - cut;
    if (nuls == 16)
        return CancelVerdict{CancelOutcome::Cancelled, ""};
    const size_t owed = lastImage != nullptr ? static_cast<size_t>(lastImage->args[1]) * lastImage->args[2] : 0;
    if (owed != 0 && nuls == 16 + owed)
        return CancelVerdict{CancelOutcome::CancelledOwing, ""};
    return invalid(std::to_string(nuls) + " NUL bytes after offset " + std::to_string(cut) + " (16, or 16 + " +
                   std::to_string(owed) + " when an image was in flight)");
}
