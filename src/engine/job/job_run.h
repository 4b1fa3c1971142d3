#pragma once
// A whole job read from a raster stream: setup from the PPD, every page of
// the raster, teardown, final status line.
#include "engine/output/output_channel.h"
#include "engine/job/job_setup.h"
#include "engine/job/job_state.h"

namespace impact {

// Runs the job on state, whose host is kept and everything else cleared
// first. The status is the job's outcome (0 as well for a cancelled job).
StatusCode runJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source);

} // namespace impact
