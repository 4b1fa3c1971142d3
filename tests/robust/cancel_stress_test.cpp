// SIGTERM at any moment of a job: before the first page, while the filter
// waits for input inside a page, at a random moment with the printer data
// going to a file or to a pipe read slowly, between pages and after the
// last page. Every job's data is judged against the same job run to its end.
//   IMPACT_STRESS_JOBS  number of jobs (default 40)
//   IMPACT_STRESS_SEED  seed of the random moments (default: from the clock, printed)
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
    std::vector<unsigned char> bytes; // the raster job
    std::vector<size_t> pageStarts;   // offset of each page header in bytes
    std::vector<size_t> pageEnds;     // in the whole job's data: after each page end
    CancelExpectation expect;
    double seconds = 0; // from the first page's start to the final line
};

// Dense, sparse and blank stretches.
RasterPage patternPage(uint32_t width, uint32_t lines, uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t seed,
                       uint32_t density)
{
    RasterPage page = blankPage(width, lines, hdpi, vdpi, rows);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < lines; ++y)
        for (uint32_t x = random() % 7; (y / 40) % 3 != 1 && x < width; x += 1 + random() % density)
            setDot(&page, x, y);
    return page;
}

// How long the filter works from the start of its first page to its final
// line (starting a process takes longer than some whole jobs).
double pageWorkSeconds(const JobKind& kind, const std::string& errPath)
{
    const int in = open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = spawnFilter(kind.options, kind.ppd, in, out, err);
    close(in);
    close(out);
    close(err);
    waitForText(errPath, "INFO: Printing page 1,", 10000);
    const auto started = Clock::now();
    waitForText(errPath, "INFO: Ready to print.", 30000); // the exit itself may be slow
    const auto ended = Clock::now();
    waitProgram(pid, 30000);
    return std::chrono::duration<double>(ended - started).count();
}

enum class Moment { BeforeFirstPage, WaitingForInput, BusyToFile, BusyToSlowPipe, BetweenPages, AfterLastPage };
const char* const kMomentNames[] = {"before the first page", "waiting for input inside a page",
                                    "at a random moment, data to a file", "at a random moment, data to a pipe read slowly",
                                    "between pages, waiting for input", "after the last page, waiting for input"};

class CancelStress : public testing::Test {
protected:
    TempDir dir;
    std::vector<JobKind> kinds;

    void SetUp() override
    {
        PpdText nine, roll;
        nine.modelNumber = 0;
        roll.extra = paperOptions();
        const std::vector<uint8_t> formFeed = {0x0C}, reset = {0x1B, 0x40, 0x0D};
        // Uncompressed as the spooler's Ghostscript writes it, and compressed.
        addKind("letter, three pages", writePpd(dir), "", 24, false,
                {patternPage(1440, 600, 180, 180, 24, 1, 60), patternPage(1440, 900, 180, 180, 24, 2, 200),
                 patternPage(1440, 300, 180, 180, 24, 3, 30)},
                formFeed, reset);
        addKind("nine-pin, two pages", writePpd(dir, nine, "nine"), "", 9, false,
                {patternPage(960, 500, 120, 72, 8, 4, 40), patternPage(960, 400, 120, 72, 8, 5, 90)}, formFeed, reset);
        // One dense page whose data is larger than the output buffer, so a
        // slow reader holds the filter inside a band's image data.
        addKind("roll paper, one dense page", writePpd(dir, roll, "roll"), "InputSlot=RollPaper KXSvRP=On KXTearOff=On", 24, true,
                {patternPage(1440, 1500, 180, 180, 24, 6, 4)}, bytesOf({0x1B, 0x4A, 0x18, 0x1B, 0x28, 0x43, 0x02, 0x00, 0xF0, 0x1E}),
                bytesOf({0x0D, 0x1B, 0x19, 0x44}));
    }

    void addKind(const std::string& name, const std::string& ppd, const std::string& options, int pins, bool compressed,
                 const std::vector<RasterPage>& pages, const std::vector<uint8_t>& pageEnd, const std::vector<uint8_t>& jobEnd)
    {
        JobKind kind;
        kind.name = name;
        kind.ppd = ppd;
        kind.options = options;
        kind.raster = dir.file("job" + std::to_string(kinds.size()) + ".ras");
        for (size_t n = 0; n < pages.size(); ++n)
            kind.pageStarts.push_back(
                rasterBytes({pages.begin(), pages.begin() + static_cast<long>(n)}, compressed).size());
        kind.bytes = rasterBytes(pages, compressed);
        writeFile(kind.raster, kind.bytes);
        const ProgramRun whole = runFilter(filterArgs(options, kind.raster), ppd);
        ASSERT_EQ(whole.exitStatus, 0) << name << ": " << whole.err;
        kind.seconds = pageWorkSeconds(kind, dir.file("timing.err"));
        kind.expect = {whole.out, pageEnd, jobEnd, {}};
        printerClassForPins(pins, &kind.expect.printer);
        const DecodedStream decoded = decodeBytes(whole.out, pins);
        ASSERT_FALSE(decoded.failed) << name << ": " << describeError(decoded);
        ASSERT_TRUE(decoded.jobEnd) << name;
        ASSERT_EQ(decoded.pages.size(), pages.size()) << name;
        for (const Page& page : decoded.pages)
            kind.pageEnds.push_back(page.endOffset);
        kinds.push_back(kind);
    }
};

int envNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

} // namespace

TEST_F(CancelStress, SigtermAtAnyMomentLeavesAWellFormedJob)
{
    ASSERT_EQ(kinds.size(), 3u);
    signal(SIGPIPE, SIG_IGN);
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
        const std::string outPath = dir.file("out"), errPath = dir.file("err");
        const bool pipedInput = moment != Moment::BusyToFile && moment != Moment::BusyToSlowPipe;
        int inFds[2] = {-1, -1};
        int outFds[2] = {-1, -1};
        if (pipedInput)
            ASSERT_EQ(pipe2(inFds, O_CLOEXEC), 0);
        else
            inFds[0] = open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC);
        if (moment == Moment::BusyToSlowPipe)
            ASSERT_EQ(pipe2(outFds, O_CLOEXEC), 0);
        else
            outFds[1] = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        // The raster comes from standard input in every case. (cppcheck takes
        // outFds for a one-element array after the assertion's expansion.)
        // cppcheck-suppress arrayIndexOutOfBounds
        const pid_t pid = spawnFilter(kind.options, kind.ppd, inFds[0], outFds[1], err);
        close(inFds[0]);
        // cppcheck-suppress arrayIndexOutOfBounds
        close(outFds[1]);
        close(err);
        std::vector<unsigned char> piped;
        std::thread reader;
        if (outFds[0] >= 0)
            reader = std::thread([&piped, fd = outFds[0], pause = random() % 400] {
                std::vector<unsigned char> buffer(2048);
                for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) {
                    piped.insert(piped.end(), buffer.begin(), buffer.begin() + n);
                    std::this_thread::sleep_for(std::chrono::microseconds(pause));
                }
            });
        bool aliveAfterSignal = false;
        switch (moment) {
        case Moment::BeforeFirstPage: // part of the first header at most
            writeAllTo(inFds[1], job.data(), random() % (kind.pageStarts[0] + 1796));
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
            kill(pid, SIGTERM);
            break;
        case Moment::WaitingForInput: { // up to a point inside a page's lines; the pipe stays open
            const size_t page = random() % pages;
            const size_t first = kind.pageStarts[page] + 1796 + 4;
            const size_t end = page + 1 < pages ? kind.pageStarts[page + 1] : job.size();
            writeAllTo(inFds[1], job.data(), first + random() % (end - first - 1));
            waitForText(errPath, "INFO: Printing page " + std::to_string(page + 1) + ", 0%", 10000);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
            kill(pid, SIGTERM);
            break;
        }
        case Moment::BusyToFile:
        case Moment::BusyToSlowPipe: { // once the first page has started, anywhere in the job or a little after
            waitForText(errPath, "INFO: Printing page 1,", 10000);
            const double span = kind.seconds * (moment == Moment::BusyToSlowPipe ? 4.0 : 1.2);
            std::this_thread::sleep_for(std::chrono::duration<double>(span * (random() % 10000) / 10000.0));
            kill(pid, SIGTERM);
            break;
        }
        case Moment::BetweenPages:
        case Moment::AfterLastPage: { // whole pages, then wait at the next header with the pipe open
            const size_t whole = moment == Moment::AfterLastPage ? pages : 1 + random() % std::max<size_t>(1, pages - 1);
            const size_t part = whole < pages ? kind.pageStarts[whole] : job.size();
            writeAllTo(inFds[1], job.data(), part);
            for (int wait = 0; wait < 10000 && readFile(outPath).size() < kind.pageEnds[whole - 1]; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            kill(pid, SIGTERM);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            aliveAfterSignal = waitpid(pid, nullptr, WNOHANG) == 0;
            writeAllTo(inFds[1], job.data() + part, job.size() - part);
            break;
        }
        }
        if (inFds[1] >= 0)
            close(inFds[1]);
        const ProgramRun end = waitProgram(pid, 30000);
        if (reader.joinable())
            reader.join();
        if (outFds[0] >= 0)
            close(outFds[0]);
        const std::vector<unsigned char> data = moment == Moment::BusyToSlowPipe ? piped : readFile(outPath);
        const std::string errText = readText(errPath);
        const CancelVerdict verdict =
            end.timedOut ? CancelVerdict{CancelOutcome::Invalid, "hung; killed after 30 s"}
                         : judgeCancelledJob(kind.expect, data, end.exitStatus, end.signal,
                                             errText.find("INFO: Ready to print.\n") != std::string::npos);
        // Where the moment fixes the outcome, it must be that one (a filter
        // waiting for input may still be at work on what it was given).
        std::string wrong;
        if (moment == Moment::BeforeFirstPage && verdict.outcome != CancelOutcome::Killed)
            wrong = "expected the default disposition to end it";
        if (moment == Moment::WaitingForInput && verdict.outcome != CancelOutcome::Cancelled &&
            verdict.outcome != CancelOutcome::CancelledOwing)
            wrong = "expected a cancellation";
        if ((moment == Moment::BetweenPages || moment == Moment::AfterLastPage) &&
            (verdict.outcome != CancelOutcome::Ignored || !aliveAfterSignal))
            wrong = "expected the signal to be ignored";
        const std::string label = std::string(kMomentNames[i % 6]) + " -> " + outcomeName(verdict.outcome);
        if (verdict.outcome == CancelOutcome::Invalid || !wrong.empty()) {
            ++failures;
            ADD_FAILURE() << "job " << i << " (" << kind.name << ", " << label << "): " << (wrong.empty() ? verdict.why : wrong)
                          << "; exit " << end.exitStatus << ", signal " << end.signal << ", " << data.size()
                          << " bytes; seed " << seed << "\nstderr:\n" << errText;
        }
        ++tally[label];
    }
    for (const auto& [what, count] : tally)
        std::printf("  %4d  %s\n", count, what.c_str());
}
