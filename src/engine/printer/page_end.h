#pragma once
// The commands that end a page and a job, the page end itself and the
// job's teardown.
#include "engine/job/job_result.h"
#include "engine/job/job_state.h"

namespace impact {

// True when the command went out whole (and was flushed); a failure is
// reported.
bool sendPageEnd(const JobState* state);
bool sendJobEnd(const JobState* state);
// Sends the page end, releases the band's column buffer and tells the host
// the page has ended. OutputFailed when the page end failed.
JobResult endPage(JobState* state);
// Sends the job end and releases the work buffer. OutputFailed when the job
// end failed.
JobResult teardownJob(JobState* state);

} // namespace impact
