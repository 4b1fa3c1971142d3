// Many jobs at once in one process, each on its own thread and stream: every
// stream must hold exactly the bytes of the same job run alone, whether the
// job reads its raster itself or has its lines pushed one at a time, and
// whether or not it is cancelled part of the way through a band.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

#include "printer/job_run.h"
#include "printer/page_flow.h"
#include "raster_pages.h"
#include "settings/memory_raster.h"

namespace {

struct JobCase {
    const char* ppd;
    const char* options;
    PageKind kind;
    int pages;
    uint32_t hdpi, vdpi, rows;
    bool pushed;            // lines pushed one at a time instead of read in runs
    uint32_t cancelAtAsk;   // the job learns it is cancelled at this question (0: never)
    uint32_t pendingAtCancel;
};

const JobCase kCases[] = {
    {"impact24.ppd", "", PageKind::Sample, 2, 180, 180, 24, false, 0, 0},
    {"impact24.ppd", "KXSpeed=High KXTopMP=Driver InputSlot=RollPaper KXSvRP=On", PageKind::Text, 3, 240, 180, 24,
     true, 0, 0},
    {"impact24.ppd", "PageSize=Letter", PageKind::Random, 1, 360, 360, 48, false, 0, 0},
    {"impact9.ppd", "KXPrintDirection=UniOn KXTearOff=On", PageKind::Text, 2, 120, 72, 8, false, 0, 0},
    {"impact9.ppd", "PageSize=Letter", PageKind::Random, 2, 90, 72, 8, true, 0, 0},
    // Cancelled a few lines into a band (the first: with a bit-image command
    // of 300 bytes in flight when the cancel came).
    {"impact24.ppd", "KXPackMode=Auto", PageKind::Random, 3, 180, 180, 24, false, 1900, 300},
    {"impact24.ppd", "", PageKind::Text, 2, 180, 180, 24, true, 1234, 0},
};

std::vector<unsigned char> rasterOf(const JobCase& c)
{
    RasterJob job;
    job.kind = c.kind;
    job.pages = c.pages;
    job.hdpi = c.hdpi;
    job.vdpi = c.vdpi;
    job.rowCount = c.rows;
    job.fillPercent = 3;
    job.compressed = c.pushed;
    const int fd = memfd_create("raster", 0);
    EXPECT_EQ(writeRasterJob(fd, job), 0);
    std::vector<unsigned char> bytes(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    EXPECT_EQ(pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    close(fd);
    return bytes;
}

struct Outcome {
    std::vector<unsigned char> bytes;
    std::string status;
    StatusCode result = -100;
    uint32_t asks = 0;
};

struct Probe {
    uint32_t asks = 0;
    uint32_t cancelAt = 0;
    uint32_t pending = 0;
};

size_t keep(void* context, const unsigned char* bytes, size_t count)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

int asked(void* context, uint32_t* pending)
{
    auto* probe = static_cast<Probe*>(context);
    if (probe->cancelAt == 0 || ++probe->asks < probe->cancelAt)
        return 0;
    *pending = probe->pending;
    return 1;
}

// The host's side of a job whose lines are pushed: it reads the pages
// itself and hands the engine one line at a time.
StatusCode pushJob(JobState* job, const char* options, const char* ppd, const RasterSource* source)
{
    StatusCode status = setupJob(job, options, ppd, source);
    if (status != 0)
        return status;
    cups_page_header2_t header;
    std::vector<unsigned char> line;
    while (!job->over && cupsRasterReadHeader2(job->raster, &header)) {
        if (startPage(job, &header) != 0)
            break;
        line.resize(header.cupsBytesPerLine);
        for (uint32_t y = 0; y < header.cupsHeight && !job->over; ++y)
            if (cupsRasterReadPixels(job->raster, line.data(), header.cupsBytesPerLine) == 0 ||
                pushLine(job, line.data()) != 0)
                break;
        finishPage(job);
    }
    return finishJob(job);
}

Outcome runCase(const JobCase& c, const std::vector<unsigned char>& raster)
{
    Outcome outcome;
    Probe probe{0, c.cancelAtAsk, c.pendingAtCancel};
    JobHost host = {};
    host.printer = OutputStream{keep, nullptr, &outcome.bytes};
    host.status = StatusSink{[](void* context, const char* text, size_t length) {
                                 static_cast<std::string*>(context)->append(text, length);
                             },
                             &outcome.status};
    host.cancelRequested = asked;
    host.context = &probe;
    auto job = std::make_unique<JobState>();
    initJobState(job.get(), &host);
    MemoryRaster memory = {raster.data(), raster.size(), 0};
    const RasterSource source = memoryRasterSource(&memory);
    const std::string ppd = std::string(IMPACT_PPD_DIR) + "/" + c.ppd;
    outcome.result = c.pushed ? pushJob(job.get(), c.options, ppd.c_str(), &source)
                              : runJob(job.get(), c.options, ppd.c_str(), &source);
    outcome.asks = probe.asks;
    return outcome;
}

TEST(ConcurrentJobs, EachStreamHoldsTheBytesOfItsJobAlone)
{
    const size_t count = std::size(kCases);
    std::vector<std::vector<unsigned char>> rasters;
    std::vector<Outcome> alone;
    for (const JobCase& c : kCases) {
        rasters.push_back(rasterOf(c));
        alone.push_back(runCase(c, rasters.back()));
        const Outcome& a = alone.back();
        ASSERT_EQ(a.result, 0) << c.options << "\n" << a.status;
        ASSERT_GT(a.bytes.size(), 100u) << c.options;
        if (c.cancelAtAsk != 0) {
            // The cancel landed inside the job and ended it without a final line.
            EXPECT_EQ(a.asks, c.cancelAtAsk);
            EXPECT_EQ(a.status.find("INFO: Ready to print."), std::string::npos);
        }
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<Outcome> together(count);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < count; ++i)
            threads.emplace_back([&, i] { together[i] = runCase(kCases[i], rasters[i]); });
        for (auto& t : threads)
            t.join();
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(together[i].result, alone[i].result) << "job " << i;
            EXPECT_TRUE(together[i].bytes == alone[i].bytes) << "job " << i << " round " << round;
            EXPECT_EQ(together[i].status, alone[i].status) << "job " << i;
        }
    }
}

} // namespace
