#include "filter_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "capture_stream.h"

namespace {

using Clock = std::chrono::steady_clock;

int openOrThrow(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    return fd;
}

// Starts argv[0] with SIGTERM and SIGPIPE at their defaults and no signal blocked.
pid_t spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int in, int out, int err)
{
    std::vector<char*> pointers;
    for (const std::string& a : argv)
        pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (const std::string& entry : env) {
            const size_t eq = entry.find('=');
            if (eq == std::string::npos)
                ::unsetenv(entry.c_str());
            else
                ::setenv(entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, 1);
        }
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

bool sameOutcome(const ProgramRun& run, const JobOutcome& outcome)
{
    return run.exitStatus == outcome.exit && run.err == outcome.err && hexBytes(run.out) == outcome.out;
}

std::string compareOutcome(const ProgramRun& run, const JobOutcome& want)
{
    return "exit " + std::to_string(run.exitStatus) + " (want " + std::to_string(want.exit) + ")\nerr:\n" + run.err +
           "want:\n" + want.err + "out:  " + hexBytes(run.out) + "\nwant: " + want.out;
}

ProgramRun waitProgram(pid_t pid, int timeoutMs)
{
    ProgramRun run;
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!run.timedOut && ::waitpid(pid, &status, WNOHANG) != pid) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        run.timedOut = Clock::now() > deadline;
    }
    if (run.timedOut) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    if (WIFEXITED(status))
        run.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    return run;
}

ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                      const std::string& inputPath, int stdoutFd, int timeoutMs)
{
    TempDir scratch;
    const int in = openOrThrow(inputPath.empty() ? "/dev/null" : inputPath, O_RDONLY);
    const int out = stdoutFd >= 0 ? stdoutFd : openOrThrow(scratch.file("out"), O_WRONLY | O_CREAT | O_TRUNC);
    const int err = openOrThrow(scratch.file("err"), O_WRONLY | O_CREAT | O_TRUNC);
    const pid_t pid = spawnProgram(argv, env, in, out, err);
    for (int fd : {in, out, err})
        ::close(fd);
    ProgramRun run = waitProgram(pid, timeoutMs);
    if (stdoutFd < 0)
        run.out = readFile(scratch.file("out"));
    run.err = readText(scratch.file("err"));
    return run;
}

std::string filterPath()
{
    return IMPACT_FILTER_PATH;
}

std::vector<std::string> filterArgs(const std::string& options, const std::string& file)
{
    std::vector<std::string> args = {"42", "user", "title", "1", options};
    if (!file.empty())
        args.push_back(file);
    return args;
}

ProgramRun runFilter(const std::vector<std::string>& args, const std::string& ppd, const std::string& inputPath,
                     int stdoutFd, int timeoutMs)
{
    std::vector<std::string> argv = {IMPACT_FILTER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, {ppd.empty() ? "PPD" : "PPD=" + ppd}, inputPath, stdoutFd, timeoutMs);
}

ProgramRun runFilterOn(const TempDir& dir, const std::vector<unsigned char>& raster, const std::string& ppd,
                       const std::string& options, int timeoutMs)
{
    const std::string path = dir.file("job.ras");
    writeFile(path, raster);
    return runFilter(filterArgs(options, path), ppd, "", -1, timeoutMs);
}

pid_t spawnFilter(const std::string& options, const std::string& ppd, int in, int out, int err)
{
    std::vector<std::string> argv = filterArgs(options);
    argv.insert(argv.begin(), IMPACT_FILTER_PATH);
    return spawnProgram(argv, {"PPD=" + ppd}, in, out, err);
}

bool writeAllTo(int fd, const unsigned char* bytes, size_t count)
{
    std::signal(SIGPIPE, SIG_IGN);
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool waitForText(const std::string& path, const std::string& text, int milliseconds)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    bool found = false;
    while (!(found = readText(path).find(text) != std::string::npos) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    return found;
}
