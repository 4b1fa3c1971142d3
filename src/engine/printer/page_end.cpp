#include "engine/printer/page_end.h"

#include <cstdlib>

#include "engine/output/status_messages.h"
#include "engine/job/job_cancel.h"
#include "engine/printer/printer_commands.h"

namespace impact {

namespace {

// The roll-paper page end: a short advance and the page length again.
constexpr uint8_t kRollPaperAdvance = 24;
constexpr uint16_t kRollPaperPageLength = 7920;

} // namespace

StatusCode sendPageEnd(const JobState* state)
{
    const OutputStream* out = &state->host.printer;
    bool ok;
    if (state->settings.pageEnd == PageEnd::RollPaperAdvance) {
        // Roll paper: advance 24 steps and set the page length again
        // instead of feeding a whole form.
        ok = feedPaper(out, kRollPaperAdvance);
        ok &= setPageLength(out, kRollPaperPageLength);
    } else {
        ok = formFeed(out);
    }
    // The page is complete: let the printer have it now.
    ok &= flushOutput(out) == 0;
    if (!ok) {
        statusLine(&state->host.status, kOutputError);
        return kWriteFailed;
    }
    return 0;
}

StatusCode sendJobEnd(const JobState* state)
{
    const OutputStream* out = &state->host.printer;
    bool ok;
    switch (state->settings.jobEnd) {
    case JobEnd::TearOff:
    case JobEnd::TearOffRollPaperSaving:
        ok = carriageReturn(out);
        ok &= moveToTearOff(out, state->settings.jobEnd == JobEnd::TearOff ? TearOffPosition::TearEdge
                                                                           : TearOffPosition::RollPaperSaving);
        break;
    default:
        ok = resetPrinter(out);
        ok &= carriageReturn(out);
        break;
    }
    // Nothing follows the job end: a device that cannot take the job's last
    // bytes fails the job end.
    ok &= flushOutput(out) == 0;
    if (!ok) {
        statusLine(&state->host.status, kOutputError);
        return kWriteFailed;
    }
    return 0;
}

StatusCode endPage(JobState* state)
{
    if (state == nullptr)
        return kUnsupported;
    serviceCancellation(state);
    int failed = sendPageEnd(state);
    if (state->columnBuffer != nullptr) {
        std::free(state->columnBuffer);
        state->columnBuffer = nullptr;
    }
    if (state->host.pageEnded != nullptr)
        state->host.pageEnded(state->host.context);
    // A cancel that came while the page was ending still ends the job, and
    // the page once more.
    serviceCancellation(state);
    state->pageOpen = 0;
    return failed ? kOutputFailed : kSuccess;
}

StatusCode teardownJob(JobState* state)
{
    if (state == nullptr)
        return kUnsupported;
    StatusCode jobEnd = sendJobEnd(state);
    if (state->lineBuffer != nullptr) {
        std::free(state->lineBuffer);
        state->lineBuffer = nullptr;
        state->bandBuffer = nullptr;
        state->bufferCapacity = 0;
    }
    return jobEnd != 0 ? kOutputFailed : kSuccess;
}

} // namespace impact
