#include "engine/job/job_setup.h"

namespace impact {

JobResult configureJob(JobState* state, const JobSettings* settings)
{
    if (state == nullptr || settings == nullptr)
        return JobResult::Unsupported;
    if (settings->printerClass != PrinterClass::NinePin && settings->printerClass != PrinterClass::TwentyFourPin)
        return JobResult::Unsupported;
    state->settings = *settings;
    state->units = unitsOf(settings->printerClass);
    state->pageCount = 0;
    return JobResult::Success;
}

} // namespace impact
