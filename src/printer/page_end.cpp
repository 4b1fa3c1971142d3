#include "printer/page_end.h"

#include <cstdlib>

#include "filter/cancellation.h"
#include "output/status_messages.h"
#include "settings/option_table.h"

StatusCode sendPageEnd()
{
    int failed;
    if (optionEquals("InputSlot", "RollPaper") && optionEquals("KXSvRP", "On")) {
        // Roll paper: advance 24 units and set the page length again
        // instead of feeding a whole form.
        static const unsigned char kRollPaperEnd[10] = {0x1B, 0x4A, 0x18, 0x1B, 0x28,
                                                        0x43, 0x02, 0x00, 0xF0, 0x1E};
        failed = writeAll(kRollPaperEnd, sizeof kRollPaperEnd);
    } else {
        const unsigned char formFeed = 0x0C;
        failed = writeAll(&formFeed, 1);
    }
    // The page is complete: let the printer have it now.
    failed |= flushOutput();
    if (failed) {
        statusLine(kOutputError);
        return 1;
    }
    return 0;
}

StatusCode sendJobEnd()
{
    int failed;
    if (optionEquals("KXTearOff", "On") && optionHasPrefix("InputSlot", "Tractor", 7)) {
        failed = writeFormatted("%c%c%c%c", 0x0D, 0x1B, 0x19, 'C');
    } else if (optionEquals("KXTearOff", "On") && optionHasPrefix("InputSlot", "RollPaper", 9)) {
        failed = writeFormatted("%c%c%c%c", 0x0D, 0x1B, 0x19, optionEquals("KXSvRP", "On") ? 'D' : 'C');
    } else {
        failed = writeFormatted("%c%c%c", 0x1B, '@', 0x0D);
    }
    // Nothing follows the job end: a device that cannot take the job's last
    // bytes fails the job end.
    failed |= flushOutput();
    if (failed) {
        statusLine(kOutputError);
        return 1;
    }
    return 0;
}

StatusCode endPage(JobState* state)
{
    if (state == nullptr)
        return 22;
    serviceCancellation();
    int failed = sendPageEnd();
    if (state->columnBuffer != nullptr) {
        std::free(state->columnBuffer);
        state->columnBuffer = nullptr;
    }
    ignoreTermination();
    // A SIGTERM that came while the page was ending still ends the job.
    serviceCancellation();
    return failed ? 5 : 0;
}
