#pragma once
// A cancelled job. The host says when the job is cancelled (a signal in
// the filter, a flag in the printer application); the engine acts on it at
// the next point where no command is half written: it completes the
// bit-image command that was in flight with NUL bytes, ends the page and the
// job on paper, and from then on sends nothing more.
#include <cstdint>

#include "engine/job/job_state.h"

namespace impact {

// When the host asks for it: ends the cancelled job as below (between
// pages: only the job end) and returns true. True as well for a job
// cancelled before; false otherwise.
bool serviceCancellation(JobState* state);

// Cancels the job now, as if its host had asked (pendingBytes 0); between
// pages only the job end is sent. Nothing for a job that is over.
void cancelJob(JobState* state);

// The bytes and releases of a cancelled job: pendingBytes NUL bytes, 16 NUL
// bytes, the page end and the job end, everything flushed. The job is over
// afterwards: its output and reports go nowhere.
void finishCancelledJob(JobState* state, uint32_t pendingBytes);

} // namespace impact
