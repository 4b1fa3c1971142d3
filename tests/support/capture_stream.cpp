#include "capture_stream.h"

#include <algorithm>
#include <sstream>

#include "filter/filter_job.h"
#include "filter/ppd_settings.h"
#include "filter/status_lines.h"

using namespace impact;

OutputStream captureStream(CaptureStream* capture)
{
    auto write = [](void* context, const unsigned char* data, size_t count) -> size_t {
        auto* c = static_cast<CaptureStream*>(context);
        if (++c->writeCalls > c->failAfterWrites ||
            (c->writeCalls >= c->failWrite && c->writeCalls < c->failWrite + c->failWriteCount))
            return 0;
        const size_t n = std::min(count, c->acceptPerWrite);
        c->bytes.insert(c->bytes.end(), data, data + n);
        return n;
    };
    return OutputStream{write, nullptr, capture};
}

ReportSink statusLineCapture(std::string* lines)
{
    auto append = [](void* context, const JobReport* report) {
        char line[512];
        const size_t n = formatStatusLine(report, line, sizeof line);
        static_cast<std::string*>(context)->append(line, n);
    };
    return ReportSink{append, lines};
}

TestJob::TestJob()
{
    JobHost host = {};
    host.printer = captureStream(&out);
    host.reports = statusLineCapture(&status);
    initJobState(&state, &host);
}

void setChoices(JobSettings* settings, const std::string& choices)
{
    OptionTable table;
    initOptionTable(&table);
    std::istringstream in(choices);
    std::string pair;
    while (in >> pair) {
        const size_t eq = pair.find('=');
        setOptionChoice(&table, pair.substr(0, eq).c_str(), pair.substr(eq + 1).c_str());
    }
    applyOptionChoices(&table, settings);
}

RasterSource rasterBytesSource(RasterBytes* raster)
{
    raster->memory = {raster->bytes->data(), raster->bytes->size(), 0};
    return memoryRasterSource(&raster->memory);
}

JobResult runTestJob(TestJob* job, const std::string& options, const std::string& ppdPath,
                     const std::vector<unsigned char>& raster)
{
    RasterBytes reader{&raster};
    const RasterSource source = rasterBytesSource(&reader);
    return runFilterJob(&job->state, options.c_str(), ppdPath.c_str(), &source);
}

std::string hexBytes(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes)
        text += std::string(text.empty() ? "" : " ") + digits[b >> 4] + digits[b & 15];
    return text;
}

std::vector<unsigned char> bytesOf(std::initializer_list<int> values)
{
    return std::vector<unsigned char>(values.begin(), values.end());
}
