#pragma once
// PAPPL's raster callbacks. The application reads every document PAPPL
// would read and hand over line by line itself (document_routing.h): a job
// reaches these only when its document could not be given to the
// application's readers (raster sent with Send-Document, which PAPPL
// streams, or a PAPPL whose job record the application does not know), and
// is refused with a message.
#include <pappl/pappl.h>

bool rasterStartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
// PAPPL calls these only after a start that succeeded: never.
bool rasterStartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned page);
bool rasterWriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned y,
                     const unsigned char* line);
bool rasterEndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device, unsigned page);
bool rasterEndJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
