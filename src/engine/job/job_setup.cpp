#include "engine/job/job_setup.h"

namespace impact {

StatusCode configureJob(JobState* state, const JobSettings* settings)
{
    if (state == nullptr || settings == nullptr)
        return kUnsupported;
    if (settings->printerClass != PrinterClass::NinePin && settings->printerClass != PrinterClass::TwentyFourPin)
        return kUnsupported;
    state->settings = *settings;
    state->units = unitsOf(settings->printerClass);
    state->pageCount = 0;
    return 0;
}

} // namespace impact
