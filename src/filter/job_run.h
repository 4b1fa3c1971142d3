#pragma once
// The job: setup, every page of the raster input, teardown, final line.
#include <cups/raster.h>

#include "output/output_channel.h"

StatusCode runJob(int descriptor, const char* optionsText);

// 1 when the filter can print a page with this header: black, one bit per
// dot, and a line size that matches the page's width within sane bounds.
int pageHeaderUsable(const cups_page_header2_t* header);

// Largest raster line accepted, in bytes (over 40 metres at 360 dpi).
inline constexpr unsigned kMaxBytesPerLine = 1u << 20;
