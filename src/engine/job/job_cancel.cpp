#include "engine/job/job_cancel.h"

#include "engine/printer/page_end.h"
#include "engine/printer/printer_commands.h"

namespace impact {

// NUL bytes sent after a cancelled bit image, so that a printer that is
// still counting data bytes ends the command.
constexpr uint32_t kCancelPadding = 16;

void finishCancelledJob(JobState* state, uint32_t pendingBytes)
{
    state->finishing = 1;
    sendNulBytes(&state->host.printer, pendingBytes);
    sendNulBytes(&state->host.printer, kCancelPadding);
    endPage(state);
    teardownJob(state);
    flushOutput(&state->host.printer);
    state->finishing = 0;
    state->cancelled = 1;
    state->over = 1;
    state->overStatus = 0;
    // Whatever the interrupted flow still does goes nowhere.
    state->host.printer = discardStream();
    state->host.status = discardSink();
}

int serviceCancellation(JobState* state)
{
    if (state->cancelled)
        return 1;
    if (state->over || state->finishing || state->host.cancelRequested == nullptr)
        return 0;
    uint32_t pending = 0;
    if (!state->host.cancelRequested(state->host.context, &pending))
        return 0;
    if (state->pageOpen)
        finishCancelledJob(state, pending);
    else
        cancelJob(state);
    return 1;
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
    state->cancelled = 1;
    state->over = 1;
    state->overStatus = 0;
    state->host.printer = discardStream();
    state->host.status = discardSink();
}

} // namespace impact
