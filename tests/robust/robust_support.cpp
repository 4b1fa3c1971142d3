#include "robust_support.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// The numeric part of the header: everything between the four media
// strings at the start and the three strings at the end (the cupsString
// table in between holds text too).
constexpr size_t kNumbersStart = 4 * 64;
constexpr size_t kNumbersEnd = offsetof(cups_page_header2_t, cupsString);

} // namespace

std::vector<unsigned char> rawRaster(const std::vector<RasterPage>& pages, bool otherByteOrder)
{
    static_assert(sizeof(cups_page_header2_t) == 1796, "the raster header is 1796 bytes on the wire");
    std::vector<unsigned char> out;
    uint32_t sync = CUPS_RASTER_SYNC;
    if (otherByteOrder)
        sync = swap32(sync);
    out.resize(4);
    std::memcpy(out.data(), &sync, 4);
    for (const RasterPage& page : pages) {
        unsigned char header[sizeof(cups_page_header2_t)];
        std::memcpy(header, &page.header, sizeof header);
        if (otherByteOrder) {
            for (size_t at = kNumbersStart; at < kNumbersEnd; at += 4) {
                uint32_t v;
                std::memcpy(&v, header + at, 4);
                v = swap32(v);
                std::memcpy(header + at, &v, 4);
            }
        }
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), page.bits.begin(), page.bits.end());
    }
    return out;
}

RasterPage page180(uint32_t lines)
{
    return blankPage(1440, lines, 180, 180, 24);
}

FilterRun runJobBytes(const std::string& dir, const std::vector<unsigned char>& job, const std::string& ppd,
                      const std::string& options)
{
    const std::string path = dir + "/job.ras";
    writeTextFile(path, std::string(job.begin(), job.end()));
    return runFilter({"7", "user", "title", "1", options, path}, ppd);
}

std::string hexOf(const std::vector<unsigned char>& bytes)
{
    return hexBytes(bytes);
}

std::vector<unsigned char> concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

pid_t spawnFilter(const std::vector<std::string>& args, const std::string& ppd, int in, int out, int err)
{
    std::vector<std::string> argv = {filterPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setenv("PPD", ppd.c_str(), 1);
        signal(SIGTERM, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    return pid;
}

FilterEnd waitFilter(pid_t pid, int timeoutMs)
{
    FilterEnd end;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            end.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFEXITED(status))
        end.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        end.signal = WTERMSIG(status);
    return end;
}

std::string readTextFile(const std::string& path)
{
    std::vector<unsigned char> bytes = readBinaryFile(path);
    return std::string(bytes.begin(), bytes.end());
}
