#pragma once
// The filter and the tools run as the spooler runs them.
#include <string>
#include <sys/types.h>
#include <vector>

#include "test_files.h"

struct ProgramRun {
    int exitStatus = -1; // when it exited
    int signal = 0;      // when a signal ended it
    bool timedOut = false; // killed when its time was up
    std::vector<unsigned char> out;
    std::string err;
};

// What a job ends with: exit status, status lines, printer bytes (hex).
struct JobOutcome {
    int exit = -2; // -2: none
    std::string err, out;
};
bool sameOutcome(const ProgramRun& run, const JobOutcome& outcome);
// The run's outcome next to the one wanted, for a failure message.
std::string compareOutcome(const ProgramRun& run, const JobOutcome& want);

// Waits for the end; kills the program once timeoutMs have passed.
ProgramRun waitProgram(pid_t pid, int timeoutMs);
// Runs argv[0] to its end, env entries "NAME=value" set and "NAME" removed, input from inputPath
// (or /dev/null), output collected or sent to stdoutFd (closed here).
ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                      const std::string& inputPath = "", int stdoutFd = -1, int timeoutMs = 60000);

// Path of the built rastertoimpact.
std::string filterPath();
// The arguments after argv[0] of a job with these options (and file).
std::vector<std::string> filterArgs(const std::string& options, const std::string& file = "");
// Runs the filter with these arguments and this PPD (none when empty).
ProgramRun runFilter(const std::vector<std::string>& args, const std::string& ppd, const std::string& inputPath = "",
                     int stdoutFd = -1, int timeoutMs = 60000);
// Runs the filter on a raster job given as bytes (written to a file in dir).
ProgramRun runFilterOn(const TempDir& dir, const std::vector<unsigned char>& raster, const std::string& ppd,
                       const std::string& options = "", int timeoutMs = 60000);

// The filter on these descriptors (input, output, error); the caller closes its copies.
pid_t spawnFilter(const std::string& options, const std::string& ppd, int in, int out, int err);
// Writes every byte to fd; false when the reader went away.
bool writeAllTo(int fd, const unsigned char* bytes, size_t count);
// Waits until the file holds text (true) or the time is up.
bool waitForText(const std::string& path, const std::string& text, int milliseconds);
