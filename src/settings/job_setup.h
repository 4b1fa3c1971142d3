#pragma once
// Job setup against the printer's PPD and the raster input, and teardown.
#include "output/output_channel.h"
#include "settings/job_state.h"

StatusCode setupJob(JobState* state, const char* optionsText, int descriptor);
StatusCode teardownJob(JobState* state);

// The value of a numeric PPD attribute: its text read as a base-10 integer
// (leading blanks and a sign accepted, reading stops at the first
// non-digit, no digits and out-of-range values giving what strtol gives).
long attributeNumber(const char* text);
