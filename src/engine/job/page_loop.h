#pragma once
// The pages of a raster stream into a job: the one page loop of every host
// that has its pages as a CUPS raster stream.
#include <cups/raster.h>

#include "engine/job/job_result.h"
#include "engine/job/job_state.h"
#include "engine/job/raster_source.h"

namespace impact {

// A raster of 8-bit black pages (darkness, 0 paper .. 255 black), which the
// host turns into dots line by line: Ghostscript's output in the printer
// application, dithered with the application's own matrix.
struct GrayPages {
    // Line y of the page: `width` darkness values into (width + 7) / 8
    // bytes of dots, 1 = dot.
    void (*dither)(void* context, const unsigned char* gray, uint32_t width, uint32_t y, unsigned char* dots);
    void* context;
    // Set when the raster ends in the middle of a page (the program making
    // it stopped): the page and the job are then ended on paper as a
    // cancelled job's are.
    bool cutShort = false;
};

// Prints every page of raster into the job, which has been set up
// (configureJob), then ends the job. source, when not null, is where raster
// reads from: whole lines it holds are copied from it directly. gray, when
// not null, says the pages are 8-bit darkness and how they become dots.
// Returns the job's result (Success as well for a cancelled job). The
// caller opened raster and closes it.
JobResult printRasterPages(JobState* state, cups_raster_t* raster, const RasterSource* source,
                           GrayPages* gray = nullptr);

} // namespace impact
