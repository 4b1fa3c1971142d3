#include "filter/filter_job.h"

#include "engine/job/job_setup.h"
#include "engine/job/page_loop.h"
#include "filter/ppd_settings.h"

using namespace impact;

namespace {

constexpr char kRasterOpenError[] = "CUPS Fatal Error (cupsRasterOpen).";

} // namespace

JobResult runFilterJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source)
{
    if (state == nullptr || optionsText == nullptr)
        return JobResult::Unsupported;
    const JobHost host = state->host;
    initJobState(state, &host);
    JobSettings settings;
    JobResult result = settingsFromPpd(ppdPath, optionsText, &state->host.reports, &settings);
    if (result == JobResult::Success)
        result = configureJob(state, &settings);
    cups_raster_t* raster = nullptr;
    if (result == JobResult::Success) {
        raster = source != nullptr && source->read != nullptr
                     ? cupsRasterOpenIO(source->read, source->context, CUPS_RASTER_READ)
                     : nullptr;
        if (raster == nullptr) {
            sendMessage(&state->host.reports, ReportLevel::Error, kRasterOpenError);
            result = JobResult::OutputFailed;
        }
    }
    if (result != JobResult::Success) {
        state->over = true;
        state->result = result;
        return result;
    }
    result = printRasterPages(state, raster, source);
    cupsRasterClose(raster);
    return result;
}
