#pragma once
// PWG and Apple raster documents read by the application itself from the
// spool file (document_routing.h): every page header is checked, and a page
// of another resolution, size, depth or colour space than the job's is put
// on the job's sheet at the sheet's resolution, or refused with a message.
#include <pappl/pappl.h>

// The MIME filter for kSpooledRasterFormat.
bool printRasterDocument(pappl_job_t* job, pappl_device_t* device, void* data);
