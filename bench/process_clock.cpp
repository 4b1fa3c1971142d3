// impact-bench-clock: runs one command and appends its cost to a file.
//   impact-bench-clock RESULT-FILE command [argument...]
// The command keeps this program's standard input, output, error and
// environment. Appended line: wall, user and system time in microseconds,
// peak resident memory in KiB and the exit status (128 + signal number for
// a command that a signal ended). The exit status is the command's own, so
// a caller sees failures; 127 when the command could not be started.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long microseconds(const timeval& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
}

long long elapsedMicroseconds(const timespec& from, const timespec& to)
{
    return static_cast<long long>(to.tv_sec - from.tv_sec) * 1000000 + (to.tv_nsec - from.tv_nsec) / 1000;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s result-file command [argument...]\n", argv[0]);
        return 2;
    }
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return 127;
    }
    if (child == 0) {
        ::execvp(argv[2], argv + 2);
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            return 127;
        }
    }
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    FILE* out = std::fopen(argv[1], "a");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 127;
    }
    std::fprintf(out, "%lld %lld %lld %ld %d\n", elapsedMicroseconds(start, end), microseconds(usage.ru_utime),
                 microseconds(usage.ru_stime), usage.ru_maxrss, exitStatus);
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 127;
    }
    return exitStatus;
}
