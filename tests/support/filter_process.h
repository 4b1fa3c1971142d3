#pragma once
// Runs the built filter as the spooler does: argv job-id user title copies
// options [file], PPD in the environment, printer data on standard output.
#include <string>
#include <sys/types.h>
#include <vector>

struct FilterRun {
    int exitStatus = -1; // when it exited
    int signal = 0;      // when a signal ended it
    std::vector<unsigned char> out;
    std::string err;
};

// Path of the built rastertoimpact (set at build time).
std::string filterPath();

// Runs the filter to the end. args are the arguments after argv[0]; stdin
// comes from stdinFile when not empty, else from /dev/null.
// Standard output goes to stdoutFile when one is named (out stays empty).
FilterRun runFilter(const std::vector<std::string>& args, const std::string& ppdPath,
                    const std::string& stdinFile = "", const std::string& argv0 = "",
                    const std::string& stdoutFile = "");

// A filter that reads its raster from a pipe the test feeds by hand.
struct LiveFilter {
    pid_t pid = -1;
    int input = -1; // write end of the filter's standard input
    std::string outPath;
    std::string errPath;
};

LiveFilter startFilter(const std::string& options, const std::string& ppdPath, const std::string& dir);
// Writes bytes to the filter's input; false when the filter went away.
bool feedFilter(LiveFilter* filter, const unsigned char* bytes, size_t count);
// Waits until the filter's standard error holds text (true) or the time is up.
bool waitForStatus(const LiveFilter& filter, const std::string& text, int milliseconds);
// Closes the input if still open, waits for the end (killing the filter
// after timeoutMs) and collects what it wrote.
FilterRun finishFilter(LiveFilter* filter, int timeoutMs = 20000);
