#include "engine/job/job_cancel.h"

#include "engine/printer/page_end.h"
#include "engine/printer/printer_commands.h"

namespace impact {

// NUL bytes sent after a cancelled bit image, so that a printer that is
// still counting data bytes ends the command.
constexpr uint32_t kCancelPadding = 16;

void finishCancelledJob(JobState* state, uint32_t pendingBytes)
{
    state->finishing = true;
    sendNulBytes(&state->host.printer, pendingBytes);
    sendNulBytes(&state->host.printer, kCancelPadding);
    endPage(state);
    teardownJob(state);
    flushOutput(&state->host.printer);
    state->finishing = false;
    state->cancelled = true;
    state->over = true;
    state->result = JobResult::Success;
    // Whatever the interrupted flow still does goes nowhere.
    state->host.printer = discardStream();
    state->host.reports = discardReports();
}

bool serviceCancellation(JobState* state)
{
    if (state->cancelled)
        return true;
    if (state->over || state->finishing || state->host.cancelRequested == nullptr)
        return false;
    uint32_t pending = 0;
    if (!state->host.cancelRequested(state->host.context, &pending))
        return false;
    if (state->pageOpen)
        finishCancelledJob(state, pending);
    else
        cancelJob(state);
    return true;
}

void cancelJob(JobState* state)
{
    if (state->over || state->finishing)
        return;
    if (state->pageOpen) {
        finishCancelledJob(state, 0);
        return;
    }
    // Between pages only the job is left to end.
    teardownJob(state);
    state->cancelled = true;
    state->over = true;
    state->result = JobResult::Success;
    state->host.printer = discardStream();
    state->host.reports = discardReports();
}

} // namespace impact
