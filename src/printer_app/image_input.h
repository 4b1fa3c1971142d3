#pragma once
// PNG and JPEG documents, drawn by the application itself: PAPPL 1.3.1
// scales an image for a printer resolution that is not square as if it
// were (a 240x72 dpi page gets it squeezed to under a third of its width),
// and every resolution of the 9-pin class is not square.
#include <pappl/pappl.h>

#include "printer_app/pappl_job_host.h"

// 1 for the formats printed here.
int isImageFormat(const char* format);

// Prints the job's image, fitted to the printable area and centred (at its
// own size with print-scaling=none when it fits), dithered with the
// driver's matrices, once per copy. 0, or 1 with the job's message set.
int printImage(PrintJob* job, const pappl_pr_options_t* options);
