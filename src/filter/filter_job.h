#pragma once
// The filter's job: settings from the PPD and the job's options, the raster
// stream opened last, then every page of it.
#include "engine/job/job_state.h"
#include "engine/job/raster_source.h"

// Runs the job on state, whose host is kept and everything else cleared
// first. Returns the job's result (Success as well for a cancelled job).
impact::JobResult runFilterJob(impact::JobState* state, const char* optionsText, const char* ppdPath,
                               const impact::RasterSource* source);
