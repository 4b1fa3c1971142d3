#include "filter/sigterm_cancel.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace impact;

namespace {

volatile sig_atomic_t gRequested = 0;
std::atomic<uint32_t> gPendingAtSignal{0};
JobState* gJob = nullptr;
int gWakePipe[2] = {-1, -1};

static_assert(std::atomic<uint32_t>::is_always_lock_free, "the handler needs a lock-free counter");

bool askCancelled(void*, uint32_t* pendingBytes)
{
    if (!gRequested)
        return false;
    *pendingBytes = gPendingAtSignal.load(std::memory_order_relaxed);
    return true;
}

void pageStarted(void*)
{
    installTerminationHandler();
}

void pageEnded(void*)
{
    ignoreTermination();
}

} // namespace

void onTerminate(int)
{
    int savedErrno = errno;
    if (!gRequested) {
        JobState* job = gJob;
        gPendingAtSignal.store(job != nullptr ? pendingBytes(&job->pendingImageBytes) : 0, std::memory_order_relaxed);
        gRequested = 1;
        if (gWakePipe[1] >= 0) {
            ssize_t ignored = ::write(gWakePipe[1], "x", 1);
            (void)ignored;
        }
    }
    errno = savedErrno;
}

void installTerminationHandler()
{
    if (gWakePipe[0] < 0 && ::pipe2(gWakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        gWakePipe[0] = gWakePipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    sigaction(SIGTERM, &action, nullptr);
}

void ignoreTermination()
{
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
}

bool cancellationRequested()
{
    return gRequested != 0;
}

int cancellationWakeFd()
{
    return gWakePipe[0];
}

void bridgeTermination(JobState* job, JobHost* host)
{
    gJob = job;
    host->cancelRequested = askCancelled;
    host->pageStarted = pageStarted;
    host->pageEnded = pageEnded;
    host->context = nullptr;
}
