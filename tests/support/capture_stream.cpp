#include "capture_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "printer/job_run.h"
#include "settings/option_table.h"

namespace {

size_t captureWrite(void* context, const unsigned char* data, size_t count)
{
    auto* c = static_cast<CaptureStream*>(context);
    ++c->writeCalls;
    if (c->writeCalls > c->failAfterWrites || c->writeCalls == c->failWrite)
        return 0;
    size_t n = count < c->acceptPerWrite ? count : c->acceptPerWrite;
    c->bytes.insert(c->bytes.end(), data, data + n);
    return n;
}

ssize_t readRasterBytes(void* context, unsigned char* buffer, size_t length)
{
    auto* r = static_cast<RasterBytes*>(context);
    const size_t n = std::min(length, r->bytes->size() - r->at);
    if (n != 0)
        std::memcpy(buffer, r->bytes->data() + r->at, n);
    r->at += n;
    return static_cast<ssize_t>(n);
}

} // namespace

OutputStream captureStream(CaptureStream* capture)
{
    return OutputStream{captureWrite, nullptr, capture};
}

StatusSink captureSink(std::string* text)
{
    return StatusSink{[](void* context, const char* line, size_t length) {
                          static_cast<std::string*>(context)->append(line, length);
                      },
                      text};
}

TestJob::TestJob()
{
    JobHost host = {};
    host.printer = captureStream(&out);
    host.status = captureSink(&status);
    initJobState(&state, &host);
}

std::string TestJob::hex() const
{
    return hexBytes(out.bytes);
}

void setChoices(OptionTable* table, const std::string& choices)
{
    std::istringstream in(choices);
    std::string pair;
    while (in >> pair) {
        const size_t eq = pair.find('=');
        setOptionChoice(table, pair.substr(0, eq).c_str(), pair.substr(eq + 1).c_str());
    }
}

RasterSource rasterBytesSource(RasterBytes* raster)
{
    return RasterSource{readRasterBytes, raster};
}

StatusCode runTestJob(TestJob* job, const std::string& options, const std::string& ppdPath,
                      const std::vector<unsigned char>& raster)
{
    RasterBytes reader{&raster};
    const RasterSource source = rasterBytesSource(&reader);
    return runJob(&job->state, options.c_str(), ppdPath.c_str(), &source);
}

std::string hexBytes(const std::vector<unsigned char>& bytes)
{
    std::string text;
    char part[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += part;
    }
    return text;
}

std::vector<unsigned char> bytesOf(std::initializer_list<int> values)
{
    std::vector<unsigned char> out;
    for (int v : values)
        out.push_back(static_cast<unsigned char>(v));
    return out;
}
