#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string slurp(const std::string& path)
{
    std::vector<uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

} // namespace

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/impact-preview-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) != nullptr)
        path = name.data();
}

TempDir::~TempDir()
{
    if (!path.empty())
        ::nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    uint8_t buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                      const std::string& inputPath)
{
    ProgramRun run;
    TempDir scratch;
    const std::string outPath = scratch.file("stdout");
    const std::string errPath = scratch.file("stderr");

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envText(extraEnv);
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& x : extraEnv)
            replaced = replaced || entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1);
        if (!replaced)
            envText.push_back(entry);
    }
    std::vector<char*> env;
    for (const std::string& e : envText)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(inputPath.empty() ? "/dev/null" : inputPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    if (pid < 0)
        return run;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    return run;
}

PageBitmap clipPage(const PageBitmap& page, uint32_t width, uint32_t height)
{
    PageBitmap out;
    initPageBitmap(&out, width, height);
    for (uint32_t y = 0; y < height && y < page.height; ++y)
        for (uint32_t x = 0; x < width && x < page.width; ++x)
            if (pageDot(page, x, y))
                setPageDot(&out, x, y);
    return out;
}

PageBitmap decodedBitmap(const Page& page, uint32_t hdpi, uint32_t vdpi, uint32_t width, uint32_t height,
                         uint64_t* outside)
{
    PageBitmap out;
    initPageBitmap(&out, width, height);
    *outside = 0;
    std::vector<Dot> dots = pageDots(page, hdpi, vdpi);
    for (const Dot& d : dots) {
        if (d.x < 0 || d.y < 0 || d.x >= width || d.y >= height)
            ++*outside;
        else
            setPageDot(&out, static_cast<uint32_t>(d.x), static_cast<uint32_t>(d.y));
    }
    return out;
}

std::string firstDifference(const PageBitmap& want, const PageBitmap& got)
{
    if (want.width != got.width || want.height != got.height)
        return "sizes differ";
    if (want.bits == got.bits)
        return "";
    for (uint32_t y = 0; y < want.height; ++y)
        for (uint32_t x = 0; x < want.width; ++x)
            if (pageDot(want, x, y) != pageDot(got, x, y))
                return std::to_string(x) + "," + std::to_string(y) + " (want " + std::to_string(pageDot(want, x, y)) +
                       " got " + std::to_string(pageDot(got, x, y)) + ")";
    return "";
}
