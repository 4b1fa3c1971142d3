#pragma once
// Cancellation. The spooler cancels a job with SIGTERM. The handler only
// records the request (and how many bit-image bytes were in flight at that
// moment); the job flow acts on it at the next point where no command is
// half written, so the handler never touches the output buffer, the heap
// or the raster stream.
#include <cstdint>

#include "settings/job_state.h"

void onTerminate(int signal);

// Makes onTerminate the SIGTERM handler (page start). System calls that it
// interrupts are not restarted, so a read blocked on the input returns.
void installTerminationHandler();
// SIGTERM has no effect from now on (page end).
void ignoreTermination();

int cancellationRequested();
// A descriptor that becomes readable once cancellation is requested, for
// waits that must end then; -1 before the first page.
int cancellationWakeFd();

// When cancellation was requested: completes the bit-image command in
// flight with NUL bytes, ends the page and the job, and exits with status 0.
void serviceCancellation();

// The bytes and releases of a cancelled job: pendingBytes NUL bytes, 16 NUL
// bytes, the page end and the job end.
void finishCancelledJob(JobState* state, uint32_t pendingBytes);

// Forgets a request (a new job in the same process).
void resetCancellation();
