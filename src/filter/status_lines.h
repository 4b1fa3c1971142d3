#pragma once
// The filter's status lines on standard error, in the spooler's line
// protocol: a job's reports as "PAGE: page copies" or the message after
// "INFO: ", "WARNING: " or "ERROR: ", one line each.
#include <cstddef>

#include "engine/output/job_report.h"

// Written before there is a job: the arguments and the input file.
inline constexpr char kUsageLine[] = "Usage: %s job-id user title copies options [file]\n"; // program
inline constexpr char kOpenRasterPrefix[] = "ERROR: Unable to open raster file - ";      // perror

// The report as a status line, newline included, into line (at most
// size - 1 characters and a NUL, a longer line cut short there); returns
// its length.
size_t formatStatusLine(const impact::JobReport* report, char* line, size_t size);

// Reports written to a file descriptor as status lines, each with one
// write(2), as an unbuffered standard error stream writes them.
impact::ReportSink fdStatusLines(int fd);
