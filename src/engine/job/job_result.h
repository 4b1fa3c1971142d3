#pragma once
// What a job, or one step of it, ended with. A cancelled job ends with
// Success: it ended as it was asked to (JobState::cancelled says so).
#include <cstdint>

namespace impact {

enum class JobResult : uint8_t {
    Success,
    OutputFailed,       // the printer data or the raster stream could not be opened or written
    OutOfMemory,
    Unsupported,        // bad arguments, conflicting options, printer or resolution not supported
    BadData,            // no page size, or a raster page the engine cannot print
    SettingsUnreadable, // the job's settings could not be read (the filter's PPD)
};

} // namespace impact
