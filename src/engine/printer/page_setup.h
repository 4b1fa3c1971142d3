#pragma once
// The start of every page: the host is told, and on the first page
// the job's layout (printable area, speed, graphics mode, work buffer) and
// the job start sequence.
#include <cups/raster.h>

#include "engine/output/output_channel.h"
#include "engine/printer/job_start.h"
#include "engine/job/job_state.h"

namespace impact {

StatusCode setupPage(JobState* state, const cups_page_header2_t* header);
StatusCode sendCarriageReturn(const JobState* state);

// The job's speed from its options: sets state->speed and returns the
// speed command's argument (-1: no speed command).
int32_t chooseSpeed(JobState* state);

// The page metrics of the job start sequence, from the page size in points.
PageMetrics computePageMetrics(const ppd_size_t* pageSize, uint16_t baseDpi);

} // namespace impact
