#include "engine/printer/page_end.h"

#include <cstdlib>

#include "engine/output/job_report.h"
#include "engine/job/job_cancel.h"
#include "engine/printer/printer_commands.h"

namespace impact {

namespace {

// The roll-paper page end: a short advance and the page length again.
constexpr uint8_t kRollPaperAdvance = 24;
constexpr uint16_t kRollPaperPageLength = 7920;

} // namespace

bool sendPageEnd(const JobState* state)
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
    ok &= flushOutput(out);
    if (!ok)
        sendReport(&state->host.reports, ReportKind::OutputFailed);
    return ok;
}

bool sendJobEnd(const JobState* state)
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
    ok &= flushOutput(out);
    if (!ok)
        sendReport(&state->host.reports, ReportKind::OutputFailed);
    return ok;
}

JobResult endPage(JobState* state)
{
    if (state == nullptr)
        return JobResult::Unsupported;
    serviceCancellation(state);
    const bool ended = sendPageEnd(state);
    if (state->columnBuffer != nullptr) {
        std::free(state->columnBuffer);
        state->columnBuffer = nullptr;
    }
    if (state->host.pageEnded != nullptr)
        state->host.pageEnded(state->host.context);
    // A cancel that came while the page was ending still ends the job, and
    // the page once more.
    serviceCancellation(state);
    state->pageOpen = false;
    return ended ? JobResult::Success : JobResult::OutputFailed;
}

JobResult teardownJob(JobState* state)
{
    if (state == nullptr)
        return JobResult::Unsupported;
    const bool ended = sendJobEnd(state);
    if (state->lineBuffer != nullptr) {
        std::free(state->lineBuffer);
        state->lineBuffer = nullptr;
        state->bandBuffer = nullptr;
        state->bufferCapacity = 0;
    }
    return ended ? JobResult::Success : JobResult::OutputFailed;
}

} // namespace impact
