// Many jobs at once, each on its own thread: every stream holds exactly the bytes of the job
// run alone, read or pushed line by line, cancelled inside a band or not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/job/job_setup.h"
#include "engine/job/page_flow.h"
#include "filter/filter_job.h"
#include "filter/ppd_settings.h"
#include "filter/status_lines.h"
#include "raster_pages.h"
#include "engine/job/memory_raster.h"

using namespace impact;

namespace {

struct JobCase {
    const char* ppd;
    const char* options;
    PageKind kind;
    int pages;
    uint32_t hdpi, vdpi, rows;
    bool pushed;              // lines pushed one at a time instead of read in runs
    uint32_t cancelAtAsk;     // the job learns it is cancelled at this question (0: never)
    uint32_t pendingAtCancel;
};

const JobCase kCases[] = {
    {"impact24.ppd", "", PageKind::Sample, 2, 180, 180, 24, false, 0, 0},
    {"impact24.ppd", "KXSpeed=High KXTopMP=Driver InputSlot=RollPaper KXSvRP=On", PageKind::Text, 3, 240, 180, 24,
     true, 0, 0},
    {"impact24.ppd", "PageSize=Letter", PageKind::Random, 1, 360, 360, 48, false, 0, 0},
    {"impact9.ppd", "KXPrintDirection=UniOn KXTearOff=On", PageKind::Text, 2, 120, 72, 8, false, 0, 0},
    {"impact9.ppd", "PageSize=Letter", PageKind::Random, 2, 90, 72, 8, true, 0, 0},
    // Cancelled inside a band (the first with 300 bytes of a bit image in flight).
    {"impact24.ppd", "KXPackMode=Auto", PageKind::Random, 3, 180, 180, 24, false, 1900, 300},
    {"impact24.ppd", "", PageKind::Text, 2, 180, 180, 24, true, 1234, 0},
};

// What a job left, and how often it asked whether it was cancelled.
struct Outcome {
    const JobCase* job = nullptr;
    std::vector<unsigned char> bytes;
    std::string status;
    JobResult result = JobResult::Unsupported;
    uint32_t asks = 0;
};

std::vector<unsigned char> rasterOf(const JobCase& c)
{
    const RasterJob job = {.kind = c.kind, .pages = c.pages, .hdpi = c.hdpi, .vdpi = c.vdpi, .rowCount = c.rows,
                           .fillPercent = 3, .compressed = c.pushed};
    const int fd = memfd_create("raster", 0);
    EXPECT_EQ(writeRasterJob(fd, job), 0);
    std::vector<unsigned char> bytes(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    EXPECT_EQ(pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    close(fd);
    return bytes;
}

// A host that reads the pages itself and pushes the engine one line at a time.
JobResult pushJob(JobState* job, const char* options, const char* ppd, const RasterSource* source)
{
    JobSettings settings;
    JobResult result = settingsFromPpd(ppd, options, &job->host.reports, &settings);
    if (result == JobResult::Success)
        result = configureJob(job, &settings);
    if (result != JobResult::Success)
        return result;
    cups_raster_t* raster = cupsRasterOpenIO(source->read, source->context, CUPS_RASTER_READ);
    cups_page_header2_t header;
    std::vector<unsigned char> line;
    while (!job->over && cupsRasterReadHeader2(raster, &header)) {
        if (startPage(job, &header) != JobResult::Success)
            break;
        line.resize(header.cupsBytesPerLine);
        for (uint32_t y = 0; y < header.cupsHeight && !job->over; ++y)
            if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) == 0 ||
                pushLine(job, line.data()) != JobResult::Success)
                break;
        finishPage(job);
    }
    cupsRasterClose(raster);
    return finishJob(job);
}

Outcome runCase(const JobCase& c, const std::vector<unsigned char>& raster)
{
    Outcome outcome;
    outcome.job = &c;
    JobHost host = {};
    host.printer = OutputStream{[](void* o, const unsigned char* bytes, size_t count) {
        static_cast<Outcome*>(o)->bytes.insert(static_cast<Outcome*>(o)->bytes.end(), bytes, bytes + count);
        return count;
    }, nullptr, &outcome};
    host.reports = ReportSink{[](void* context, const JobReport* report) {
        char line[512];
        static_cast<Outcome*>(context)->status.append(line, formatStatusLine(report, line, sizeof line));
    }, &outcome};
    host.cancelRequested = [](void* context, uint32_t* pending) {
        auto* o = static_cast<Outcome*>(context);
        if (o->job->cancelAtAsk == 0 || ++o->asks < o->job->cancelAtAsk)
            return false;
        *pending = o->job->pendingAtCancel;
        return true;
    };
    host.context = &outcome;
    auto job = std::make_unique<JobState>();
    initJobState(job.get(), &host);
    MemoryRaster memory = {raster.data(), raster.size(), 0};
    const RasterSource source = memoryRasterSource(&memory);
    const std::string ppd = std::string(IMPACT_PPD_DIR) + "/" + c.ppd;
    outcome.result = c.pushed ? pushJob(job.get(), c.options, ppd.c_str(), &source)
                              : runFilterJob(job.get(), c.options, ppd.c_str(), &source);
    return outcome;
}

TEST(ConcurrentJobs, EachStreamHoldsTheBytesOfItsJobAlone)
{
    std::vector<std::vector<unsigned char>> rasters;
    std::vector<Outcome> alone;
    for (const JobCase& c : kCases) {
        rasters.push_back(rasterOf(c));
        const Outcome& a = alone.emplace_back(runCase(c, rasters.back()));
        ASSERT_EQ(a.result, JobResult::Success) << c.options << "\n" << a.status;
        ASSERT_GT(a.bytes.size(), 100u) << c.options;
        // The cancel lands inside the job and ends it without a final line.
        EXPECT_TRUE(c.cancelAtAsk == 0 || (a.asks == c.cancelAtAsk && a.status.find("INFO: Ready to print.") == std::string::npos))
            << a.status;
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<Outcome> together(std::size(kCases));
        std::vector<std::thread> threads;
        for (size_t i = 0; i < together.size(); ++i)
            threads.emplace_back([&, i] { together[i] = runCase(kCases[i], rasters[i]); });
        for (auto& t : threads)
            t.join();
        for (size_t i = 0; i < together.size(); ++i)
            EXPECT_TRUE(together[i].result == alone[i].result && together[i].bytes == alone[i].bytes &&
                        together[i].status == alone[i].status)
                << "job " << i << " round " << round;
    }
}

} // namespace
