#include "filter/filter_job.h"

#include "engine/job/job_setup.h"
#include "engine/job/page_loop.h"
#include "filter/ppd_settings.h"

using namespace impact;

StatusCode runFilterJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source)
{
    if (state == nullptr || optionsText == nullptr)
        return kUnsupported;
    const JobHost host = state->host;
    initJobState(state, &host);
    JobSettings settings;
    StatusCode status = settingsFromPpd(ppdPath, optionsText, &state->host.status, &settings);
    if (status == 0)
        status = configureJob(state, &settings);
    cups_raster_t* raster = nullptr;
    if (status == 0) {
        raster = source != nullptr && source->read != nullptr
                     ? cupsRasterOpenIO(source->read, source->context, CUPS_RASTER_READ)
                     : nullptr;
        if (raster == nullptr) {
            statusLine(&state->host.status, kRasterOpenError);
            status = kOutputFailed;
        }
    }
    if (status != 0) {
        state->over = 1;
        state->overStatus = status;
        return status;
    }
    status = printRasterPages(state, raster, source);
    cupsRasterClose(raster);
    return status;
}
