#pragma once
// The commands that open a job: packet-mode exit, reset, pitch, speed,
// direction, unit, page length and page format.
#include <cstdint>

#include "engine/output/output_channel.h"
#include "engine/job/job_state.h"

namespace impact {

// Page geometry in base units (1/baseDpi inch), measured from the top edge.
struct PageMetrics {
    float length;
    float top;    // top of the printable area
    float bottom; // bottom of the printable area
};

// The settings, units and output come from the job. False for bad
// arguments or when a write failed (reported once at the end).
bool sendJobStart(const JobState* state, const PageMetrics* metrics);

} // namespace impact
