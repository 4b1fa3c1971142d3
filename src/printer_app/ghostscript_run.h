#pragma once
// Running Ghostscript as a child process without a shell and reading its
// output as it comes, within time limits.
#include <sys/types.h>

#include <pappl/pappl.h>

struct GhostscriptSettings;

struct GhostscriptRun {
    pid_t pid;
    int out;              // its standard output (the raster)
    int err;              // its messages
    int idleLimit;
    pappl_job_t* job;     // read stops when the job is cancelled
    int timedOut;         // no output within idleLimit seconds
    int cancelled;
    char lastMessage[200]; // the last line Ghostscript wrote to its messages
    size_t messageUsed;
    char messageLine[200];
};

// Starts gs with these arguments (argv[0] is replaced by the program).
// 0, or an errno value.
int startGhostscript(const GhostscriptSettings* settings, char* const* argv, pappl_job_t* job,
                     GhostscriptRun* run);

// cupsRasterOpenIO's read callback on the run's output: waits for data,
// collects messages, gives up on cancel or time-out (returns -1).
ssize_t readGhostscript(void* context, unsigned char* buffer, size_t bytes);

// Stops gs if it still runs and waits for it; its exit status (as waitpid
// gives it), or -1.
int finishGhostscript(GhostscriptRun* run, int kill);
