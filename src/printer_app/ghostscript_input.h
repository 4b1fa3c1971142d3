#pragma once
// PDF and PostScript documents: Ghostscript turns them into the printer's
// raster (the same way the CUPS filter chain runs it, so the dots are the
// same), read from its output as it comes and printed page by page.
#include <pappl/pappl.h>

struct GhostscriptSettings {
    char program[256];   // path of gs
    int idleLimit;       // seconds Ghostscript may take to produce more output
    int cpuLimit;        // seconds of processor time it may use in all
};

// Settings with gs found on PATH; 0, or 2 when there is no gs.
int findGhostscript(GhostscriptSettings* settings);

// PAPPL's MIME filter callback for application/pdf and
// application/postscript; data is the GhostscriptSettings.
bool printWithGhostscript(pappl_job_t* job, pappl_device_t* device, void* data);
