#pragma once
// Band assembly: raster lines in, bands and paper feed out. The engine
// takes lines one at a time wherever they come from, or in runs read
// straight into its buffer; leading blank lines of a band become feed, full
// bands go to the printer, and a page's trailing partial band is placed at
// the bottom of a full band.
#include <cstddef>
#include <cstdint>

#include <cups/raster.h>

#include "engine/output/output_channel.h"
#include "engine/job/job_state.h"

namespace impact {

// 1 when bytes is null, count is 0 or every byte is zero.
bool isBlank(const unsigned char* bytes, uint32_t count);

void beginPageAssembly(PageAssembly* page);

// A run of the page's next lines that can be read one after another straight
// into the work buffer, so that the engine takes them without a copy: line k
// of the run goes to first + k * stride. Each is read whole
// (cupsBytesPerLine bytes); the bytes past a band row's lineBytes land on
// rows not yet filled or on the room the work buffer keeps past the band.
// Past the printable height lines are only counted: stride 0.
struct LineRun {
    unsigned char* first;
    size_t stride;
    uint32_t count; // at least 1
};
LineRun nextLineRun(JobState* state, const cups_page_header2_t* header, const PageAssembly* page);
// Takes the first `count` lines of the run nextLineRun gave, read in place;
// sends a band when one is full. Not Success: the band could not be sent
// (Unsupported: more lines than the run has).
JobResult takeLineRun(JobState* state, const cups_page_header2_t* header, PageAssembly* page, uint32_t count);

// Takes the page's next raster line (at least lineBytes bytes) from wherever
// it lies; sends a band when one is full. Not Success: the band could not
// be sent.
JobResult assembleLine(JobState* state, const cups_page_header2_t* header, PageAssembly* page,
                       const unsigned char* line);
// Prints the trailing partial band when enough paper has passed above it,
// then ends the page. The first failure's result, else the page end's.
JobResult finishPageAssembly(JobState* state, const cups_page_header2_t* header, PageAssembly* page);

} // namespace impact
