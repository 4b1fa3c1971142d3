// SIGTERM at any moment of a job, each job's data judged against the same job run to its end.
//   IMPACT_STRESS_JOBS  number of jobs (default 40); IMPACT_STRESS_SEED  seed (default: the clock, printed)
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cancel_check.h"
#include "capture_stream.h"
#include "decoded.h"
#include "filter_process.h"

namespace {

using Clock = std::chrono::steady_clock;

struct JobKind {
    std::string name, ppd, options, raster;
    std::vector<unsigned char> bytes = {}; // the raster job
    std::vector<size_t> pageStarts = {}, pageEnds = {}; // page headers in bytes, page ends in the data
    CancelExpectation expect = {};
    double seconds = 0; // from the first page's start to the final line
};

int createFile(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }

// The filter on in and out (closed here), its status lines to errPath.
pid_t startFilter(const JobKind& kind, int in, int out, const std::string& errPath)
{
    const int err = createFile(errPath);
    const pid_t pid = spawnFilter(kind.options, kind.ppd, in, out, err);
    for (int fd : {in, out, err})
        close(fd);
    return pid;
}

enum class Moment { BeforeFirstPage, WaitingForInput, BusyToFile, BusyToSlowPipe, BetweenPages, AfterLastPage };
const char* const kMomentNames[] = {"before the first page", "waiting for input inside a page",
                                    "at a random moment, data to a file", "at a random moment, data to a pipe read slowly",
                                    "between pages, waiting for input", "after the last page, waiting for input"};

} // namespace

TEST(CancelStress, SigtermAtAnyMomentLeavesAWellFormedJob)
{
    TempDir dir;
    const std::string outPath = dir.file("out"), errPath = dir.file("err");
    std::vector<JobKind> kinds;
    // Pages of given lines and dot spacing, with blank stretches; 24-pin at 180 dpi, 9-pin at 120 x 72.
    auto addKind = [&](const std::string& name, int pins, const std::string& options, bool compressed,
                       const std::vector<std::pair<uint32_t, uint32_t>>& sizes, const std::vector<uint8_t>& pageEnd,
                       const std::vector<uint8_t>& jobEnd) {
        JobKind kind{name, "", options, dir.file("job" + std::to_string(kinds.size()) + ".ras")};
        std::vector<RasterPage> pages;
        for (const auto& [lines, density] : sizes) {
            RasterPage& page = pages.emplace_back(pins == 9 ? blankPage(960, lines, 120, 72, 8) : page180(lines));
            std::mt19937 random(static_cast<uint32_t>(kinds.size() * 8 + pages.size()));
            for (uint32_t y = 0; y < lines; ++y)
                for (uint32_t x = random() % 7; (y / 40) % 3 != 1 && x < page.header.cupsWidth; x += 1 + random() % density)
                    setDot(&page, x, y);
            kind.pageStarts.push_back(rasterBytes({pages.begin(), pages.end() - 1}, compressed).size());
        }
        PpdText ppd;
        ppd.modelNumber = pins == 9 ? 0 : 1;
        ppd.extra = options.empty() ? "" : paperOptions();
        kind.ppd = writePpd(dir, ppd, "printer" + std::to_string(kinds.size()));
        kind.bytes = rasterBytes(pages, compressed);
        writeFile(kind.raster, kind.bytes);
        const ProgramRun whole = runFilter(filterArgs(options, kind.raster), kind.ppd);
        ASSERT_EQ(whole.exitStatus, 0) << name << ": " << whole.err;
        kind.expect = {whole.out, pageEnd, jobEnd, {}};
        printerClassForPins(pins, &kind.expect.printer);
        const DecodedStream decoded = decodeBytes(whole.out, pins);
        ASSERT_TRUE(!decoded.failed && decoded.jobEnd && decoded.pages.size() == pages.size()) << name;
        for (const Page& page : decoded.pages)
            kind.pageEnds.push_back(page.endOffset);
        // How long the filter works from its first page to its final line (not counting its start).
        const pid_t pid = startFilter(kind, open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC),
                                      open("/dev/null", O_WRONLY | O_CLOEXEC), errPath);
        waitForText(errPath, "INFO: Printing page 1,", 10000);
        const auto started = Clock::now();
        waitForText(errPath, "INFO: Ready to print.", 30000); // the exit itself may be slow
        kind.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        waitProgram(pid, 30000);
        kinds.push_back(kind);
    };
    const std::vector<uint8_t> formFeed = {0x0C}, reset = {0x1B, 0x40, 0x0D};
    // Uncompressed as the spooler's Ghostscript writes it, and compressed.
    addKind("letter, three pages", 24, "", false, {{600, 60}, {900, 200}, {300, 30}}, formFeed, reset);
    addKind("nine-pin, two pages", 9, "", false, {{500, 40}, {400, 90}}, formFeed, reset);
    // Data larger than the output buffer: a slow reader holds the filter inside a band's image.
    addKind("roll paper, one dense page", 24, "InputSlot=RollPaper KXSvRP=On KXTearOff=On", true, {{1500, 4}},
            bytesOf({0x1B, 0x4A, 0x18, 0x1B, 0x28, 0x43, 0x02, 0x00, 0xF0, 0x1E}), bytesOf({0x0D, 0x1B, 0x19, 0x44}));
    ASSERT_EQ(kinds.size(), 3u);

    signal(SIGPIPE, SIG_IGN);
    auto envNumber = [](const char* name, int fallback) {
        const char* text = std::getenv(name);
        return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
    };
    const int jobs = envNumber("IMPACT_STRESS_JOBS", 40);
    const unsigned seed = static_cast<unsigned>(
        envNumber("IMPACT_STRESS_SEED", static_cast<int>(Clock::now().time_since_epoch().count() & 0x7FFFFFFF)));
    std::printf("cancellation stress: %d jobs, seed %u (IMPACT_STRESS_SEED=%u repeats them)\n", jobs, seed, seed);
    std::mt19937 random(seed);
    std::map<std::string, int> tally;
    int failures = 0;
    for (int i = 0; i < jobs && failures <= 5; ++i) {
        const Moment moment = static_cast<Moment>(i % 6);
        const JobKind& kind = kinds[static_cast<size_t>(i / 6) % kinds.size()];
        const std::vector<unsigned char>& job = kind.bytes;
        const size_t pages = kind.pageStarts.size();
        const bool busy = moment == Moment::BusyToFile || moment == Moment::BusyToSlowPipe;
        const bool slowPipe = moment == Moment::BusyToSlowPipe;
        // The raster comes from a pipe fed here, or from the file when the filter is busy.
        int in[2] = {-1, -1}, out[2] = {-1, -1};
        ASSERT_TRUE(busy ? (in[0] = open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC)) >= 0 : pipe2(in, O_CLOEXEC) == 0);
        ASSERT_TRUE(slowPipe ? pipe2(out, O_CLOEXEC) == 0 : (out[1] = createFile(outPath)) >= 0);
        const pid_t pid = startFilter(kind, in[0], out[1], errPath);
        std::vector<unsigned char> piped;
        std::thread reader;
        if (slowPipe)
            reader = std::thread([&piped, fd = out[0], pause = random() % 400] {
                std::vector<unsigned char> buffer(2048);
                for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) {
                    piped.insert(piped.end(), buffer.begin(), buffer.begin() + n);
                    std::this_thread::sleep_for(std::chrono::microseconds(pause));
                }
            });
        // What goes in before the signal, what the filter must say first, how long to wait after.
        size_t part = 0, wholePages = 0;
        std::string line;
        double pause = 0.02;
        switch (moment) {
        case Moment::BeforeFirstPage: // part of the first header at most
            part = random() % (kind.pageStarts[0] + 1796);
            pause = (random() % 20000) * 1e-6;
            break;
        case Moment::WaitingForInput: { // up to a point inside a page's lines; the pipe stays open
            const size_t page = random() % pages;
            const size_t first = kind.pageStarts[page] + 1796 + 4;
            const size_t end = page + 1 < pages ? kind.pageStarts[page + 1] : job.size();
            part = first + random() % (end - first - 1);
            line = "INFO: Printing page " + std::to_string(page + 1) + ", 0%";
            pause = (random() % 5000) * 1e-6;
            break;
        }
        case Moment::BusyToFile:
        case Moment::BusyToSlowPipe: // once the first page has started, anywhere in the job or a little after
            line = "INFO: Printing page 1,";
            pause = kind.seconds * (slowPipe ? 4.0 : 1.2) * (random() % 10000) / 10000.0;
            break;
        case Moment::BetweenPages:
        case Moment::AfterLastPage: // whole pages, then wait at the next header with the pipe open
            wholePages = moment == Moment::AfterLastPage ? pages : 1 + random() % std::max<size_t>(1, pages - 1);
            part = wholePages < pages ? kind.pageStarts[wholePages] : job.size();
            break;
        }
        writeAllTo(in[1], job.data(), part);
        if (!line.empty())
            waitForText(errPath, line, 10000);
        for (int wait = 0; wholePages > 0 && wait < 10000 && readFile(outPath).size() < kind.pageEnds[wholePages - 1]; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::duration<double>(pause));
        kill(pid, SIGTERM);
        bool aliveAfterSignal = false;
        if (wholePages > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            aliveAfterSignal = waitpid(pid, nullptr, WNOHANG) == 0;
            writeAllTo(in[1], job.data() + part, job.size() - part);
        }
        if (in[1] >= 0)
            close(in[1]);
        const ProgramRun end = waitProgram(pid, 30000);
        if (slowPipe) {
            reader.join();
            close(out[0]);
        }
        const std::vector<unsigned char> data = slowPipe ? piped : readFile(outPath);
        const std::string errText = readText(errPath);
        const CancelVerdict verdict =
            end.timedOut ? CancelVerdict{CancelOutcome::Invalid, "hung; killed after 30 s"}
                         : judgeCancelledJob(kind.expect, data, end.exitStatus, end.signal,
                                             errText.find("INFO: Ready to print.\n") != std::string::npos);
        // Where the moment fixes the outcome it must be that one (a busy filter may be anywhere).
        const CancelOutcome o = verdict.outcome;
        const bool expected = moment == Moment::BeforeFirstPage   ? o == CancelOutcome::Killed
                              : moment == Moment::WaitingForInput ? o == CancelOutcome::Cancelled || o == CancelOutcome::CancelledOwing
                              : busy || (o == CancelOutcome::Ignored && aliveAfterSignal);
        const std::string label = std::string(kMomentNames[i % 6]) + " -> " + outcomeName(o);
        if (o == CancelOutcome::Invalid || !expected) {
            ++failures;
            ADD_FAILURE() << "job " << i << " (" << kind.name << ", " << label << "): "
                          << (o == CancelOutcome::Invalid ? verdict.why : "not the outcome of this moment") << "; exit "
                          << end.exitStatus << ", signal " << end.signal << ", alive after the signal " << aliveAfterSignal
                          << ", " << data.size() << " bytes; seed " << seed << "\nstderr:\n" << errText;
        }
        ++tally[label];
    }
    for (const auto& [what, count] : tally)
        std::printf("  %4d  %s\n", count, what.c_str());
}
