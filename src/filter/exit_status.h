#pragma once
// The filter's exit statuses, as spoolers and scripts have always seen
// them.
#include "engine/job/job_result.h"

// The arguments are wrong or the input file cannot be opened.
inline constexpr int kUsageExitStatus = 1;

// The exit status of a job that ended with this result: 0 for Success, 2
// for an unreadable PPD, 5 for output, 12 for memory, 22 for what is not
// supported, 255 for bad data.
int exitStatusOf(impact::JobResult result);
