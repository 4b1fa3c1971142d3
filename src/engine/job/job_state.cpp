#include "engine/job/job_state.h"

#include <cstring>

namespace impact {

void initJobState(JobState* state, const JobHost* host)
{
    std::memset(state, 0, sizeof *state);
    if (host != nullptr) {
        state->host = *host;
    } else {
        state->host.printer = discardStream();
        state->host.status = discardSink();
    }
}

} // namespace impact
