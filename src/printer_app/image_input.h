#pragma once
// PNG and JPEG documents, decoded and drawn by the application itself
// (document_routing.h says why not by PAPPL): the image fitted to the
// printable area and centred (at its own size when it fits and the job's
// print-scaling allows), dithered with the driver's matrices, once per copy.
#include <pappl/pappl.h>

// The MIME filter for kSpooledImageFormat.
bool printImageDocument(pappl_job_t* job, pappl_device_t* device, void* data);
