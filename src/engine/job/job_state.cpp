#include "engine/job/job_state.h"

#include <atomic>

namespace impact {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free, "a signal handler reads the bytes in flight");

void setPendingBytes(uint32_t* slot, uint32_t count)
{
    std::atomic_ref<uint32_t>(*slot).store(count, std::memory_order_seq_cst);
}

uint32_t pendingBytes(uint32_t* slot)
{
    return std::atomic_ref<uint32_t>(*slot).load(std::memory_order_seq_cst);
}

void initJobState(JobState* state, const JobHost* host)
{
    *state = JobState{};
    if (host != nullptr) {
        state->host = *host;
    } else {
        state->host.printer = discardStream();
        state->host.reports = discardReports();
    }
}

} // namespace impact
