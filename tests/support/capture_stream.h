#pragma once
// Jobs in memory: an output stream that keeps (or refuses) bytes, and a job that keeps its data and status.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/job/job_setup.h"
#include "filter/option_table.h"
#include "engine/job/job_state.h"
#include "engine/job/memory_raster.h"

struct CaptureStream {
    std::vector<unsigned char> bytes;
    size_t acceptPerWrite = SIZE_MAX;  // at most this many bytes per write
    size_t failAfterWrites = SIZE_MAX; // writes after this many take nothing
    size_t failWrite = 0;              // this write (counted from 1) takes nothing,
    size_t failWriteCount = 1;         // and the ones after it up to this many
    size_t writeCalls = 0;
};

impact::OutputStream captureStream(CaptureStream* capture);

// The bytes as "1B 40 0D".
std::string hexBytes(const std::vector<unsigned char>& bytes);

// Reports appended to *lines as the filter's status lines.
impact::ReportSink statusLineCapture(std::string* lines);

struct TestJob {
    CaptureStream out;
    std::string status; // the job's reports as the filter's status lines
    impact::JobState state;
    TestJob();
    TestJob(const TestJob&) = delete;
    TestJob& operator=(const TestJob&) = delete;
    std::string hex() const { return hexBytes(out.bytes); }
};

// The settings the filter makes of the choices "Keyword=Choice Keyword=Choice ...".
void setChoices(impact::JobSettings* settings, const std::string& choices);

// A raster stream read from memory; bytes must outlive the job.
struct RasterBytes {
    const std::vector<unsigned char>* bytes;
    impact::MemoryRaster memory = {};
};
impact::RasterSource rasterBytesSource(RasterBytes* raster);

// runJob on the job with the PPD at ppdPath and the raster bytes.
impact::JobResult runTestJob(TestJob* job, const std::string& options, const std::string& ppdPath,
                             const std::vector<unsigned char>& raster);

std::vector<unsigned char> bytesOf(std::initializer_list<int> values);
