#include "printer_app/ghostscript_run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "printer_app/ghostscript_input.h"

namespace {

// The child side, between fork and exec: async-signal-safe calls only.
[[noreturn]] void execGhostscript(const char* program, char* const* argv, int out, int err, int cpuLimit)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    const int null = open("/dev/null", O_RDONLY);
    if (null < 0 || dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
        _exit(127);
    // Nothing of the server's (listening sockets, spool files) reaches gs.
    for (int fd = 3; fd < 1024; ++fd)
        close(fd);
    rlimit cpu{static_cast<rlim_t>(cpuLimit), static_cast<rlim_t>(cpuLimit) + 5};
    setrlimit(RLIMIT_CPU, &cpu);
    execv(program, argv);
    _exit(127);
}

// Keeps the last complete line of gs's messages.
void takeMessages(GhostscriptRun* run, const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\n') {
            if (run->messageUsed > 0) {
                std::memcpy(run->lastMessage, run->messageLine, run->messageUsed);
                run->lastMessage[run->messageUsed] = '\0';
                papplLogJob(run->job, PAPPL_LOGLEVEL_DEBUG, "Ghostscript: %s", run->lastMessage);
            }
            run->messageUsed = 0;
        } else if (run->messageUsed + 1 < sizeof run->messageLine) {
            run->messageLine[run->messageUsed++] = c >= ' ' ? c : ' ';
        }
    }
}

} // namespace

int startGhostscript(const GhostscriptSettings* settings, char* const* argv, pappl_job_t* job,
                     GhostscriptRun* run)
{
    *run = GhostscriptRun{};
    run->pid = -1;
    run->out = run->err = -1;
    run->idleLimit = settings->idleLimit;
    run->job = job;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return errno;
    if (pipe2(err, O_CLOEXEC) != 0) {
        const int e = errno;
        close(out[0]);
        close(out[1]);
        return e;
    }
    const pid_t pid = fork();
    if (pid == 0)
        execGhostscript(settings->program, argv, out[1], err[1], settings->cpuLimit);
    const int forkError = errno;
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return forkError;
    }
    run->pid = pid;
    run->out = out[0];
    run->err = err[0];
    return 0;
}

ssize_t readGhostscript(void* context, unsigned char* buffer, size_t bytes)
{
    auto* run = static_cast<GhostscriptRun*>(context);
    if (run->out < 0)
        return -1;
    time_t lastOutput = time(nullptr);
    for (;;) {
        if (time(nullptr) - lastOutput >= run->idleLimit) {
            run->timedOut = 1;
            return -1;
        }
        pollfd fds[2] = {{run->out, POLLIN, 0}, {run->err, POLLIN, 0}};
        const nfds_t count = run->err >= 0 ? 2 : 1;
        const int ready = poll(fds, count, 250);
        if (ready < 0 && errno != EINTR)
            return -1;
        // Asked only while no raster is ready (Ghostscript works on a
        // page): between lines the engine asks.
        if ((ready <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) && papplJobIsCanceled(run->job)) {
            run->cancelled = 1;
            return -1;
        }
        if (ready <= 0)
            continue;
        if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char text[512];
            const ssize_t n = read(run->err, text, sizeof text);
            if (n > 0) {
                takeMessages(run, text, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(run->err);
                run->err = -1;
            }
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = read(run->out, buffer, bytes);
            if (n >= 0)
                return n;
            if (errno != EINTR && errno != EAGAIN)
                return -1;
        }
    }
}

int finishGhostscript(GhostscriptRun* run, int kill)
{
    if (run->out >= 0)
        close(run->out);
    if (run->err >= 0)
        close(run->err);
    run->out = run->err = -1;
    if (run->pid <= 0)
        return -1;
    if (kill)
        ::kill(run->pid, SIGKILL);
    int status = 0;
    pid_t done;
    do
        done = waitpid(run->pid, &status, 0);
    while (done < 0 && errno == EINTR);
    run->pid = -1;
    return done < 0 ? -1 : status;
}
