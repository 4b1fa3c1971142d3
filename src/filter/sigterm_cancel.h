#pragma once
// The filter's cancellation: the spooler cancels a job with SIGTERM. The
// handler only records the request (and how many bit-image bytes of the
// filter's job were in flight at that moment); the job acts on it at the
// next point where no command is half written, so the handler never touches
// the output buffer, the heap or the raster stream.
#include <cstdint>

#include "engine/job/job_state.h"

void onTerminate(int signal);

// Makes onTerminate the SIGTERM handler. System calls that it interrupts are
// not restarted, so a read blocked on the input returns.
void installTerminationHandler();
// SIGTERM has no effect from now on.
void ignoreTermination();

bool cancellationRequested();
// A descriptor that becomes readable once cancellation is requested, for
// waits that must end then; -1 before the first page.
int cancellationWakeFd();

// Points the handler at the one job the filter runs and gives the job's
// host the handler's side: pages arm SIGTERM as they start and ignore it as
// they end, and the job asks whether a cancel came.
void bridgeTermination(impact::JobState* job, impact::JobHost* host);
