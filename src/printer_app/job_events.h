#pragma once
// What the application does as PAPPL creates a job: the job journal keeps
// the id, and a raster document is spooled for the application's own
// raster reader instead of PAPPL's streaming one.
#include <pappl/pappl.h>

void watchJobs(pappl_system_t* system);
