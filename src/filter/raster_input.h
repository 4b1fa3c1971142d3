#pragma once
// Reading the raster input. The stream is read through a function of the
// filter's own so that a cancellation ends a read that waits on a pipe.
#include "settings/job_setup.h"

// The raster source of a job that reads descriptor.
RasterSource rasterInputSource(int descriptor);
