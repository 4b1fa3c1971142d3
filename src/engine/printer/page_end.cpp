#include "engine/printer/page_end.h"

#include <cstdlib>

#include "engine/output/status_messages.h"
#include "engine/job/job_cancel.h"
#include "engine/job/option_table.h"

namespace impact {

StatusCode sendPageEnd(const JobState* state)
{
    const OutputStream* out = &state->host.printer;
    const OptionTable* options = &state->options;
    int failed;
    if (optionEquals(options, "InputSlot", "RollPaper") && optionEquals(options, "KXSvRP", "On")) {
        // Roll paper: advance 24 units and set the page length again
        // instead of feeding a whole form.
        static const unsigned char kRollPaperEnd[10] = {0x1B, 0x4A, 0x18, 0x1B, 0x28,
                                                        0x43, 0x02, 0x00, 0xF0, 0x1E};
        failed = writeAll(out, kRollPaperEnd, sizeof kRollPaperEnd);
    } else {
        const unsigned char formFeed = 0x0C;
        failed = writeAll(out, &formFeed, 1);
    }
    // The page is complete: let the printer have it now.
    failed |= flushOutput(out);
    if (failed) {
        statusLine(&state->host.status, kOutputError);
        return 1;
    }
    return 0;
}

StatusCode sendJobEnd(const JobState* state)
{
    const OutputStream* out = &state->host.printer;
    const OptionTable* options = &state->options;
    int failed;
    const bool tearOff = optionEquals(options, "KXTearOff", "On");
    if (tearOff && optionHasPrefix(options, "InputSlot", "Tractor", 7)) {
        failed = writeFormatted(out, "%c%c%c%c", 0x0D, 0x1B, 0x19, 'C');
    } else if (tearOff && optionHasPrefix(options, "InputSlot", "RollPaper", 9)) {
        failed = writeFormatted(out, "%c%c%c%c", 0x0D, 0x1B, 0x19, optionEquals(options, "KXSvRP", "On") ? 'D' : 'C');
    } else {
        failed = writeFormatted(out, "%c%c%c", 0x1B, '@', 0x0D);
    }
    // Nothing follows the job end: a device that cannot take the job's last
    // bytes fails the job end.
    failed |= flushOutput(out);
    if (failed) {
        statusLine(&state->host.status, kOutputError);
        return 1;
    }
    return 0;
}

StatusCode endPage(JobState* state)
{
    if (state == nullptr)
        return 22;
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
    return failed ? 5 : 0;
}

StatusCode teardownJob(JobState* state)
{
    if (state == nullptr)
        return 22;
    StatusCode jobEnd = sendJobEnd(state);
    if (state->lineBuffer != nullptr) {
        std::free(state->lineBuffer);
        state->lineBuffer = nullptr;
        state->bandBuffer = nullptr;
        state->bufferCapacity = 0;
    }
    if (state->raster != nullptr) {
        cupsRasterClose(state->raster);
        state->raster = nullptr;
    }
    return jobEnd != 0 ? 5 : 0;
}

} // namespace impact
