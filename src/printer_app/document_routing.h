#pragma once
// Documents PAPPL 1.3.1 would read itself, given to the application's own
// readers instead: PWG and Apple raster, which PAPPL streams from the client
// into the driver (dithering a grey page wider than the job's lines past the
// end of its own line buffer), and PNG and JPEG, which PAPPL decodes and
// scales as if every resolution were square (a 240x72 dpi page gets an
// image squeezed to under a third of its width; every resolution of the
// 9-pin class is not square). Their jobs get a format of the application's
// own, which its MIME filters print from the spool file.
#include <pappl/pappl.h>

inline constexpr const char* kSpooledRasterFormat = "application/vnd.impact-spooled-raster";
inline constexpr const char* kSpooledImageFormat = "application/vnd.impact-spooled-image";

// As PAPPL creates a job (a Print-Job's document format is known then):
// gives a raster or image document the application's own format. False
// when the job has no such document, or when this PAPPL's job record is not
// the one the application knows (the document then reaches the raster
// callbacks).
bool routeDocument(pappl_job_t* job);

// As PAPPL starts to print a job, before it reads the document: the same
// for an image sent after the job was created (Send-Document). Raster sent
// that way is streamed by PAPPL from the client as it arrives, and stays.
bool routeSentImage(pappl_job_t* job);
