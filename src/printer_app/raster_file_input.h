#pragma once
// PWG and Apple raster documents read by the application itself from the
// spool file. PAPPL 1.3.1 streams raster straight from the client into the
// driver and dithers a grey page wider than the job's lines past the end
// of its own line buffer; here every page header is checked, and a page of
// another resolution, size, depth or colour space than the job's is put on
// the job's sheet at the sheet's resolution, or refused with a message.
#include <pappl/pappl.h>

// The format such documents carry once PAPPL has spooled them.
inline constexpr const char* kSpooledRasterFormat = "application/vnd.impact-spooled-raster";

// As PAPPL creates a job: a PWG or Apple raster document is spooled for
// printRasterDocument instead of streamed. False if this PAPPL's job record
// is not the one the application knows (the document then streams).
bool spoolRasterDocument(pappl_job_t* job);

// The MIME filter for kSpooledRasterFormat.
bool printRasterDocument(pappl_job_t* job, pappl_device_t* device, void* data);

// True for a raster document PAPPL streams to the driver itself.
bool isStreamedRaster(pappl_job_t* job);
