#pragma once
// What the application does as PAPPL creates and starts a job: the job
// journal keeps the id, and raster and image documents go to the
// application's own readers instead of PAPPL's (document_routing.h).
#include <pappl/pappl.h>

void watchJobs(pappl_system_t* system);
