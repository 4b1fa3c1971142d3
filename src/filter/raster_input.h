#pragma once
// Reading the raster input. The stream is read through a function of the
// filter's own so that a cancellation ends a read that waits on a pipe.
#include <cups/raster.h>

// Opens a raster stream for reading on descriptor; null when that fails.
cups_raster_t* openRasterInput(int descriptor);
