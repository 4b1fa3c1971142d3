// SIGTERM at any moment of a job: before the first page, between bands,
// inside a band, while the filter waits for input on a pipe that stays
// open, between pages and after the last page, with the printer data going
// to a file or to a pipe read slowly. Every job's data is decoded and
// judged against the same job run to its end.
//   IMPACT_STRESS_JOBS  number of jobs (default 40)
//   IMPACT_STRESS_SEED  seed of the random moments (default: from the clock, printed)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <map>
#include <random>
#include <thread>
#include <unistd.h>

#include "cancel_check.h"
#include "robust_support.h"

namespace {

using Clock = std::chrono::steady_clock;

struct JobKind {
    std::string name;
    std::string ppd;
    std::string options;
    std::string raster;                 // file holding the raster job
    std::vector<unsigned char> bytes;   // the same job
    std::vector<size_t> pageStarts;     // offset of each page header in bytes
    CancelExpectation expect;
    std::vector<size_t> pageEndOffsets; // in the reference data: after each page end
    double seconds = 0;                 // from the first page's start to the end of the job
};

std::vector<uint8_t> hexBytesOf(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

// Pages with dense stretches, sparse stretches and blank stretches.
RasterPage patternPage(uint32_t width, uint32_t lines, uint32_t hdpi, uint32_t vdpi, uint32_t rows, uint32_t seed,
                       int density)
{
    RasterPage page = blankPage(width, lines, hdpi, vdpi, rows);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < lines; ++y) {
        if ((y / 40) % 3 == 1)
            continue; // a blank stretch: paper feed
        for (uint32_t x = random() % 7; x < width; x += 1 + random() % static_cast<uint32_t>(density))
            setDot(&page, x, y);
    }
    return page;
}

// How long the filter works on the job from the start of its first page to
// its final line (the start of a process takes longer than some whole jobs).
double pageWorkSeconds(const JobKind& kind)
{
    const std::string errPath = kind.raster + ".err";
    int in = open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC);
    int out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_t pid = spawnFilter({"1", "user", "title", "1", kind.options}, kind.ppd, in, out, err);
    close(in);
    close(out);
    close(err);
    auto started = Clock::now();
    for (;;) {
        if (readTextFile(errPath).find("INFO: Printing page 1,") != std::string::npos) {
            started = Clock::now();
            break;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return 0.001;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // Until the final line: the exit itself can take long (a leak check).
    auto ended = Clock::now();
    for (;;) {
        ended = Clock::now();
        if (readTextFile(errPath).find("INFO: Ready to print.") != std::string::npos ||
            waitpid(pid, nullptr, WNOHANG) == pid)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    waitFilter(pid, 30000);
    return std::chrono::duration<double>(ended - started).count();
}

class CancelStress : public testing::Test {
protected:
    std::string dir;
    std::vector<JobKind> kinds;

    void SetUp() override
    {
        dir = testDirectory("cancel-stress");
        const std::string letter = dir + "/letter.ppd";
        writeTextFile(letter, ppdText(PpdText{}));
        PpdText nineText;
        nineText.modelNumber = 0;
        const std::string nine = dir + "/nine.ppd";
        writeTextFile(nine, ppdText(nineText));
        PpdText rollText;
        rollText.extra =
            "*OpenUI *InputSlot/Paper Source: PickOne\n*DefaultInputSlot: Tractor\n*InputSlot Tractor/Tractor: \"\"\n"
            "*InputSlot RollPaper/Roll: \"\"\n*CloseUI: *InputSlot\n"
            "*OpenUI *KXTearOff/Tear-Off: PickOne\n*DefaultKXTearOff: Off\n*KXTearOff Off/Off: \"\"\n"
            "*KXTearOff On/On: \"\"\n*CloseUI: *KXTearOff\n"
            "*OpenUI *KXSvRP/Roll Paper Saving: PickOne\n*DefaultKXSvRP: Off\n*KXSvRP Off/Off: \"\"\n"
            "*KXSvRP On/On: \"\"\n*CloseUI: *KXSvRP\n";
        const std::string roll = dir + "/roll.ppd";
        writeTextFile(roll, ppdText(rollText));

        PrinterClass pins24;
        PrinterClass pins9;
        printerClassForPins(24, &pins24);
        printerClassForPins(9, &pins9);
        const auto formFeed = hexBytesOf({0x0C});
        const auto reset = hexBytesOf({0x1B, 0x40, 0x0D});

        addKind("letter, three pages", letter, "",
                {patternPage(1440, 600, 180, 180, 24, 1, 60), patternPage(1440, 900, 180, 180, 24, 2, 200),
                 patternPage(1440, 300, 180, 180, 24, 3, 30)},
                formFeed, reset, pins24);
        addKind("nine-pin, two pages", nine, "",
                {patternPage(960, 500, 120, 72, 8, 4, 40), patternPage(960, 400, 120, 72, 8, 5, 90)}, formFeed,
                reset, pins9);
        // One dense page whose data is larger than the output buffer, so a
        // slow reader holds the filter inside a band's image data.
        addKind("roll paper, one dense page", roll, "InputSlot=RollPaper KXSvRP=On KXTearOff=On",
                {patternPage(1440, 1500, 180, 180, 24, 6, 4)},
                hexBytesOf({0x1B, 0x4A, 0x18, 0x1B, 0x28, 0x43, 0x02, 0x00, 0xF0, 0x1E}),
                hexBytesOf({0x0D, 0x1B, 0x19, 0x44}), pins24);
    }

    void addKind(const std::string& name, const std::string& ppd, const std::string& options,
                 const std::vector<RasterPage>& pages, const std::vector<uint8_t>& pageEnd,
                 const std::vector<uint8_t>& jobEnd, const PrinterClass& printer)
    {
        JobKind kind;
        kind.name = name;
        kind.ppd = ppd;
        kind.options = options;
        kind.raster = dir + "/job" + std::to_string(kinds.size()) + ".ras";
        // Compressed, as the spooler's raster filters write; each page's
        // header offset is found by writing the pages one by one.
        std::vector<RasterPage> upTo;
        for (const RasterPage& page : pages) {
            kind.pageStarts.push_back(upTo.empty() ? 4 : rasterBytes(upTo, true).size());
            upTo.push_back(page);
        }
        kind.bytes = rasterBytes(pages, true);
        writeTextFile(kind.raster, std::string(kind.bytes.begin(), kind.bytes.end()));

        FilterRun whole = runFilter({"1", "user", "title", "1", options, kind.raster}, ppd);
        ASSERT_EQ(whole.exitStatus, 0) << name << ": " << whole.err;
        kind.seconds = pageWorkSeconds(kind);
        kind.expect.reference.assign(whole.out.begin(), whole.out.end());
        kind.expect.pageEnd = pageEnd;
        kind.expect.jobEnd = jobEnd;
        kind.expect.printer = printer;
        DecodedStream decoded;
        ASSERT_EQ(decodeStream(kind.expect.reference.data(), kind.expect.reference.size(), printer, &decoded), 0)
            << name << ": " << describeError(decoded);
        ASSERT_TRUE(decoded.jobEnd) << name;
        ASSERT_EQ(decoded.pages.size(), pages.size()) << name;
        for (const Page& page : decoded.pages)
            kind.pageEndOffsets.push_back(page.endOffset);
        kinds.push_back(kind);
    }
};

enum class Moment { BeforeFirstPage, WaitingForInput, BusyToFile, BusyToSlowPipe, BetweenPages, AfterLastPage };
const int kMoments = 6;

const char* momentName(Moment m)
{
    switch (m) {
    case Moment::BeforeFirstPage:
        return "before the first page";
    case Moment::WaitingForInput:
        return "waiting for input inside a page";
    case Moment::BusyToFile:
        return "at a random moment, data to a file";
    case Moment::BusyToSlowPipe:
        return "at a random moment, data to a pipe read slowly";
    case Moment::BetweenPages:
        return "between pages, waiting for input";
    case Moment::AfterLastPage:
        return "after the last page, waiting for input";
    }
    return "?";
}

// One running filter and what it takes to stop it.
struct Trial {
    pid_t pid = -1;
    int input = -1; // write end of its standard input, when it reads a pipe
    int output = -1; // read end of its standard output, when it writes a pipe
    std::string outPath;
    std::string errPath;
    std::vector<unsigned char> piped; // what the slow reader collected
    std::thread reader;
};

void writeAllTo(int fd, const unsigned char* bytes, size_t count)
{
    while (count > 0) {
        ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

bool alive(pid_t pid)
{
    return waitpid(pid, nullptr, WNOHANG) == 0;
}

size_t fileSize(const std::string& path)
{
    return readBinaryFile(path).size();
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    return condition();
}

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

    for (int i = 0; i < jobs; ++i) {
        const Moment moment = static_cast<Moment>(i % kMoments);
        const JobKind& kind = kinds[static_cast<size_t>(i / kMoments) % kinds.size()];
        const std::string label = "job " + std::to_string(i) + " (" + kind.name + ", " + momentName(moment) + ")";

        Trial t;
        t.outPath = dir + "/out";
        t.errPath = dir + "/err";
        int inFds[2] = {-1, -1};
        int outFds[2] = {-1, -1};
        const bool pipedInput = moment == Moment::BeforeFirstPage || moment == Moment::WaitingForInput ||
                                moment == Moment::BetweenPages || moment == Moment::AfterLastPage;
        int in;
        if (pipedInput) {
            ASSERT_EQ(pipe2(inFds, O_CLOEXEC), 0);
            in = inFds[0];
            t.input = inFds[1];
        } else {
            in = open(kind.raster.c_str(), O_RDONLY | O_CLOEXEC);
        }
        int out;
        if (moment == Moment::BusyToSlowPipe) {
            ASSERT_EQ(pipe2(outFds, O_CLOEXEC), 0);
            out = outFds[1];
            t.output = outFds[0];
        } else {
            out = open(t.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        }
        int err = open(t.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const std::vector<std::string> args = {"1", "user", "title", "1", kind.options};
        // The raster comes from standard input in every case.
        t.pid = spawnFilter(args, kind.ppd, in, out, err);
        close(in);
        close(out);
        close(err);
        if (t.output >= 0) {
            const unsigned pause = random() % 400;
            t.reader = std::thread([&t, pause] {
                std::vector<unsigned char> buffer(2048);
                for (;;) {
                    ssize_t n = read(t.output, buffer.data(), buffer.size());
                    if (n <= 0)
                        break;
                    t.piped.insert(t.piped.end(), buffer.begin(), buffer.begin() + n);
                    std::this_thread::sleep_for(std::chrono::microseconds(pause));
                }
            });
        }

        const std::vector<unsigned char>& job = kind.bytes;
        const size_t pages = kind.pageStarts.size();
        bool stillAliveAfterSignal = false;
        switch (moment) {
        case Moment::BeforeFirstPage: {
            // Part of the first header at most: the page never starts.
            const size_t part = random() % (kind.pageStarts[0] + 1796);
            writeAllTo(t.input, job.data(), part);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
            kill(t.pid, SIGTERM);
            break;
        }
        case Moment::WaitingForInput: {
            // Everything up to a point inside one page's lines; the pipe
            // stays open, so the filter waits for the rest.
            const size_t page = random() % pages;
            const size_t first = kind.pageStarts[page] + 1796 + 4;
            const size_t end = page + 1 < pages ? kind.pageStarts[page + 1] : job.size();
            const size_t part = first + random() % (end - first - 1);
            writeAllTo(t.input, job.data(), part);
            const std::string started = "INFO: Printing page " + std::to_string(page + 1) + ", 0%";
            waitUntil([&] { return readTextFile(t.errPath).find(started) != std::string::npos; }, 10000);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
            kill(t.pid, SIGTERM);
            break;
        }
        case Moment::BusyToFile:
        case Moment::BusyToSlowPipe: {
            // Once the first page has started, anywhere in the rest of the
            // job (or a little after it).
            waitUntil([&] { return readTextFile(t.errPath).find("INFO: Printing page 1,") != std::string::npos; },
                      10000);
            const double span = kind.seconds * (moment == Moment::BusyToSlowPipe ? 4.0 : 1.2);
            const auto delay = std::chrono::duration<double>(span * (random() % 10000) / 10000.0);
            std::this_thread::sleep_for(delay);
            kill(t.pid, SIGTERM);
            break;
        }
        case Moment::BetweenPages:
        case Moment::AfterLastPage: {
            // Whole pages, then wait at the next header with the pipe open.
            const size_t whole = moment == Moment::AfterLastPage ? pages : 1 + random() % std::max<size_t>(1, pages - 1);
            const size_t part = whole < pages ? kind.pageStarts[whole] : job.size();
            writeAllTo(t.input, job.data(), part);
            const size_t ended = kind.pageEndOffsets[whole - 1];
            waitUntil([&] { return fileSize(t.outPath) >= ended; }, 10000);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            kill(t.pid, SIGTERM);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stillAliveAfterSignal = alive(t.pid);
            writeAllTo(t.input, job.data() + part, job.size() - part);
            break;
        }
        }
        if (t.input >= 0)
            close(t.input);
        FilterEnd end = waitFilter(t.pid, 30000);
        if (t.reader.joinable())
            t.reader.join();
        if (t.output >= 0)
            close(t.output);

        const std::vector<unsigned char> data =
            moment == Moment::BusyToSlowPipe ? t.piped : readBinaryFile(t.outPath);
        const std::string errText = readTextFile(t.errPath);
        CancelVerdict verdict = end.timedOut ? CancelVerdict{CancelOutcome::Invalid, "hung; killed after 30 s"}
                                             : judgeCancelledJob(kind.expect, std::vector<uint8_t>(data.begin(), data.end()),
                                                                 end.exitStatus, end.signal,
                                                                 errText.find("INFO: Ready to print.\n") != std::string::npos);
        // Where the moment fixes the outcome, it must be that one.
        std::string wrong;
        if (moment == Moment::BeforeFirstPage && verdict.outcome != CancelOutcome::Killed)
            wrong = "expected the default disposition to end it";
        // (The filter may still be at work on what it was given, so an image
        // may be in flight.)
        if (moment == Moment::WaitingForInput && verdict.outcome != CancelOutcome::Cancelled &&
            verdict.outcome != CancelOutcome::CancelledOwing)
            wrong = "expected a cancellation";
        if ((moment == Moment::BetweenPages || moment == Moment::AfterLastPage) &&
            (verdict.outcome != CancelOutcome::Ignored || !stillAliveAfterSignal))
            wrong = "expected the signal to be ignored";
        if (verdict.outcome == CancelOutcome::Invalid || !wrong.empty()) {
            ++failures;
            ADD_FAILURE() << label << ": " << (wrong.empty() ? verdict.why : wrong + "; got " + outcomeName(verdict.outcome))
                          << "; exit " << end.exitStatus << ", signal " << end.signal << ", " << data.size()
                          << " bytes; seed " << seed << "\nstderr:\n"
                          << errText;
        }
        ++tally[std::string(momentName(moment)) + " -> " + outcomeName(verdict.outcome)];
        if (failures > 5)
            break;
    }
    for (const auto& [what, count] : tally)
        std::printf("  %4d  %s\n", count, what.c_str());
}
