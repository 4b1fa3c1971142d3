#include "filter_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "test_files.h"

#ifndef IMPACT_FILTER_PATH
#error "IMPACT_FILTER_PATH must name the built filter"
#endif

namespace {

std::string readText(const std::string& path)
{
    std::vector<unsigned char> bytes = readBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}

pid_t spawn(const std::vector<std::string>& args, const std::string& ppdPath, int in, int out, int err,
            const std::string& argv0)
{
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (ppdPath.empty())
            unsetenv("PPD");
        else
            setenv("PPD", ppdPath.c_str(), 1);
        signal(SIGTERM, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        std::vector<char*> argv;
        std::string name = argv0.empty() ? filterPath() : argv0;
        argv.push_back(const_cast<char*>(name.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::string path = filterPath();
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

void collect(int status, FilterRun* run)
{
    if (WIFEXITED(status))
        run->exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run->signal = WTERMSIG(status);
}

int waitWithTimeout(pid_t pid, int timeoutMs)
{
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return status;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace

std::string filterPath()
{
    return IMPACT_FILTER_PATH;
}

FilterRun runFilter(const std::vector<std::string>& args, const std::string& ppdPath, const std::string& stdinFile,
                    const std::string& argv0, const std::string& stdoutFile)
{
    std::string dir = testDirectory("run");
    std::string outPath = dir + "/out";
    std::string errPath = dir + "/err";
    int in = open(stdinFile.empty() ? "/dev/null" : stdinFile.c_str(), O_RDONLY | O_CLOEXEC);
    int out = stdoutFile.empty() ? open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                                 : open(stdoutFile.c_str(), O_WRONLY | O_CLOEXEC);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || err < 0)
        throw std::runtime_error("cannot prepare the filter's files");
    pid_t pid = spawn(args, ppdPath, in, out, err, argv0);
    close(in);
    close(out);
    close(err);
    FilterRun run;
    collect(waitWithTimeout(pid, 60000), &run);
    if (stdoutFile.empty())
        run.out = readBinaryFile(outPath);
    run.err = readText(errPath);
    return run;
}

LiveFilter startFilter(const std::string& options, const std::string& ppdPath, const std::string& dir)
{
    LiveFilter filter;
    filter.outPath = dir + "/live-out";
    filter.errPath = dir + "/live-err";
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    int out = open(filter.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int err = open(filter.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    filter.pid = spawn({"1", "user", "title", "1", options}, ppdPath, pipeFds[0], out, err, "");
    close(pipeFds[0]);
    close(out);
    close(err);
    filter.input = pipeFds[1];
    return filter;
}

bool feedFilter(LiveFilter* filter, const unsigned char* bytes, size_t count)
{
    signal(SIGPIPE, SIG_IGN);
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(filter->input, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool waitForStatus(const LiveFilter& filter, const std::string& text, int milliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (readText(filter.errPath).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

FilterRun finishFilter(LiveFilter* filter, int timeoutMs)
{
    if (filter->input >= 0) {
        close(filter->input);
        filter->input = -1;
    }
    FilterRun run;
    collect(waitWithTimeout(filter->pid, timeoutMs), &run);
    run.out = readBinaryFile(filter->outPath);
    run.err = readText(filter->errPath);
    return run;
}
