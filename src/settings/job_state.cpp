#include "settings/job_state.h"

#include <cstring>

namespace {
JobState gJob;
}

JobState* gJobState = &gJob;

JobState* resetJobState()
{
    std::memset(&gJob, 0, sizeof gJob);
    gJobState = &gJob;
    return gJobState;
}
