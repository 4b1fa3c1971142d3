#pragma once
// A job set up with its settings, before its first page.
#include "engine/job/job_result.h"
#include "engine/job/job_settings.h"
#include "engine/job/job_state.h"

namespace impact {

// Takes the settings and the units of their printer class; Unsupported for
// no settings or a printer class the engine does not know.
JobResult configureJob(JobState* state, const JobSettings* settings);

} // namespace impact
