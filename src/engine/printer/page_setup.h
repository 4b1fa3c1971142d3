#pragma once
// The start of every page: the host is told, and on the first page
// the job's layout (printable area, speed, graphics mode, work buffer) and
// the job start sequence.
#include <cups/raster.h>

#include "engine/job/job_result.h"
#include "engine/printer/job_start.h"
#include "engine/job/job_state.h"

namespace impact {

JobResult setupPage(JobState* state, const cups_page_header2_t* header);
// True when it went out; a failure is reported.
bool sendCarriageReturn(const JobState* state);


// The page metrics of the job start sequence, from the page size in points.
PageMetrics computePageMetrics(const PageGeometry* pageSize, uint16_t baseDpi);

} // namespace impact
