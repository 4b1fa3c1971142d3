#pragma once
// Band assembly: raster lines in, bands and paper feed out. The engine
// takes one line at a time, wherever the lines come from; leading blank
// lines of a band become feed, full bands go to the printer, and a page's
// trailing partial band is placed at the bottom of a full band.
#include <cstdint>

#include <cups/raster.h>

#include "output/output_channel.h"
#include "settings/job_state.h"

struct PageAssembly {
    uint32_t y;          // index of the next line of the page
    uint32_t skipLines;  // lines of feed owed before the next band
    uint16_t bandLines;  // lines gathered in the band buffer
    uint8_t bandStarted; // the first of them is known to have a dot
};

// 1 when bytes is null, count is 0 or every byte is zero.
int isBlank(const unsigned char* bytes, uint32_t count);

void beginPageAssembly(PageAssembly* page);
// Where the page's next raster line (cupsBytesPerLine bytes) may be read so
// that assembleLine takes it without a copy: the band row it goes to. The
// bytes past the row's lineBytes land on rows not yet filled or on the
// room the work buffer keeps past the band.
unsigned char* nextLineSlot(JobState* state, const PageAssembly* page);
// Takes the page's next raster line (at least lineBytes bytes); sends a band
// when one is full. Non-zero: the band could not be sent.
StatusCode assembleLine(JobState* state, const cups_page_header2_t* header, PageAssembly* page,
                        const unsigned char* line);
// Prints the trailing partial band when enough paper has passed above it,
// then ends the page. The first failure's status, else the page end's.
StatusCode finishPageAssembly(JobState* state, const cups_page_header2_t* header, PageAssembly* page);
