#pragma once
// The filter's job: settings from the PPD and the job's options, the raster
// stream opened last, then every page of it.
#include "engine/job/job_state.h"
#include "engine/job/raster_source.h"

// Runs the job on state, whose host is kept and everything else cleared
// first. The status is the job's outcome (0 as well for a cancelled job),
// the filter's exit status.
impact::StatusCode runFilterJob(impact::JobState* state, const char* optionsText, const char* ppdPath,
                                const impact::RasterSource* source);
