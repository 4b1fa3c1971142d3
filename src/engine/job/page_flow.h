#pragma once
// A job page by page and line by line, for a host that is handed its pages
// and pushes their lines one at a time. The job must have been set up
// (setupJob or configureJob) first.
//
// On any failure the engine itself ends the page and the job on paper,
// sends the final report and releases what the job holds; the job is then
// over, and every later call returns its result at once without sending
// anything. A cancelled job (serviceCancellation, cancelJob) is over in the
// same way, with JobResult::Success.
#include <cups/raster.h>

#include "engine/job/job_result.h"
#include "engine/job/job_state.h"

namespace impact {

// Reports the page, checks its header and sets the page up (on the first
// page: the printable area, the work buffer and the job start sequence).
JobResult startPage(JobState* state, const cups_page_header2_t* header);
// The page's next raster line, cupsBytesPerLine bytes. Lines past the
// page's height are ignored.
JobResult pushLine(JobState* state, const unsigned char* line);
// Prints the trailing partial band and ends the page.
JobResult finishPage(JobState* state);
// Sends the job end, releases everything and sends the final report.
JobResult finishJob(JobState* state);

// Ends the job after a failure: the page end, the job end and the final
// report; returns result.
JobResult failJob(JobState* state, JobResult result);

// True when a page with this header can be printed: black, bitsPerDot bits
// per dot (1 for the engine's own lines, 8 for darkness a host dithers),
// and a line size that matches the page's width within sane bounds.
bool pageHeaderUsable(const cups_page_header2_t* header, uint32_t bitsPerDot = 1);

// Largest raster line accepted, in bytes (over 40 metres at 360 dpi).
inline constexpr unsigned kMaxBytesPerLine = 1u << 20;

// Reports the progress at line y of the page, every 128 lines.
void reportProgress(JobState* state, uint32_t y);

} // namespace impact
