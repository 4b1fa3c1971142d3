#pragma once
// The commands that end a page and a job, the page end itself and the
// job's teardown.
#include "engine/output/output_channel.h"
#include "engine/job/job_state.h"

namespace impact {

StatusCode sendPageEnd(const JobState* state);
StatusCode sendJobEnd(const JobState* state);
// Sends the page end, releases the band's column buffer and tells the host
// the page has ended. 0, or 5 when the page end failed.
StatusCode endPage(JobState* state);
// Sends the job end and releases the work buffer. 0, or 5 when the job end failed.
StatusCode teardownJob(JobState* state);

} // namespace impact
