#include "capture_stream.h"

#include <cstdio>

namespace {

size_t captureWrite(void* context, const unsigned char* data, size_t count)
{
    auto* c = static_cast<CaptureStream*>(context);
    ++c->writeCalls;
    if (c->writeCalls > c->failAfterWrites)
        return 0;
    size_t n = count < c->acceptPerWrite ? count : c->acceptPerWrite;
    c->bytes.insert(c->bytes.end(), data, data + n);
    return n;
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
