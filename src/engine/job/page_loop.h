#pragma once
// The pages of a raster stream into a job: the one page loop of every host
// that has its pages as a CUPS raster stream.
#include <cups/raster.h>

#include "engine/output/output_channel.h"
#include "engine/job/job_state.h"
#include "engine/job/raster_source.h"

namespace impact {

// Prints every page of raster into the job, which has been set up
// (configureJob), then ends the job. source, when not null, is where raster
// reads from: whole lines it holds are copied from it directly. The status
// is the job's outcome (0 as well for a cancelled job). The caller opened
// raster and closes it.
StatusCode printRasterPages(JobState* state, cups_raster_t* raster, const RasterSource* source);

} // namespace impact
