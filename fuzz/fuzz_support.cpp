#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

size_t sinkWrite(void* context, const unsigned char*, size_t count)
{
    auto* sink = static_cast<FuzzSink*>(context);
    if (sink->writesLeft == 0)
        return 0;
    --sink->writesLeft;
    return count < sink->acceptPerWrite ? count : sink->acceptPerWrite;
}

bool sinkFlush(void* context)
{
    return static_cast<FuzzSink*>(context)->writesLeft != 0;
}

} // namespace

int memoryFile(const char* name)
{
    return memfd_create(name, 0);
}

void refillMemoryFile(int fd, const uint8_t* bytes, size_t size)
{
    if (ftruncate(fd, 0) != 0)
        return;
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, bytes + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
}

std::string memoryFilePath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

OutputStream fuzzOutput(OutputKind kind, FuzzSink* sink)
{
    switch (kind) {
    case OutputKind::Discard:
        *sink = {SIZE_MAX, SIZE_MAX};
        break;
    case OutputKind::Partial:
        *sink = {7, SIZE_MAX};
        break;
    case OutputKind::FailLater:
        *sink = {SIZE_MAX, 40};
        break;
    }
    return OutputStream{sinkWrite, sinkFlush, sink};
}

JobHost fuzzHost(uint8_t selector, FuzzSink* sink)
{
    const uint8_t output = selector >> 5;
    JobHost host = {};
    host.printer =
        fuzzOutput(output == 6 ? OutputKind::Partial : output == 7 ? OutputKind::FailLater : OutputKind::Discard, sink);
    host.reports = discardReports();
    return host;
}
