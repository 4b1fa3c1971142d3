#include "filter/cancellation.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "output/output_channel.h"
#include "printer/page_end.h"
#include "settings/job_setup.h"

namespace {

volatile sig_atomic_t gRequested = 0;
std::atomic<uint32_t> gPendingAtSignal{0};
bool gFinishing = false;
int gWakePipe[2] = {-1, -1};

static_assert(std::atomic<uint32_t>::is_always_lock_free, "the handler needs a lock-free counter");

void writeZeros(uint32_t count)
{
    static const unsigned char kZeros[512] = {};
    while (count > 0) {
        uint32_t n = count < sizeof kZeros ? count : static_cast<uint32_t>(sizeof kZeros);
        writeAll(kZeros, n);
        count -= n;
    }
}

} // namespace

void onTerminate(int)
{
    int savedErrno = errno;
    if (!gRequested) {
        JobState* state = gJobState;
        gPendingAtSignal.store(state != nullptr ? state->pendingImageBytes : 0, std::memory_order_relaxed);
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

int cancellationRequested()
{
    return gRequested != 0;
}

int cancellationWakeFd()
{
    return gWakePipe[0];
}

void finishCancelledJob(JobState* state, uint32_t pendingBytes)
{
    gFinishing = true;
    if (state != nullptr && pendingBytes != 0)
        writeZeros(pendingBytes);
    writeZeros(16);
    if (state != nullptr) {
        endPage(state);
        teardownJob(state);
    }
    gFinishing = false;
}

void serviceCancellation()
{
    if (!gRequested || gFinishing)
        return;
    finishCancelledJob(gJobState, gPendingAtSignal.load(std::memory_order_relaxed));
    flushOutput();
    std::exit(0);
}

void resetCancellation()
{
    gRequested = 0;
    gPendingAtSignal.store(0, std::memory_order_relaxed);
    gFinishing = false;
}
