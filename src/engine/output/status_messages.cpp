#include "engine/output/status_messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "engine/output/simple_format.h"

namespace impact {

namespace {

void fdLine(void* context, const char* text, size_t length)
{
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(context));
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, text + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
}

void discardLine(void*, const char*, size_t) {}

void emit(const StatusSink* sink, const char* text, int length)
{
    if (sink != nullptr && sink->line != nullptr && length > 0)
        sink->line(sink->context, text, static_cast<size_t>(length));
}

} // namespace

StatusSink fdStatusSink(int fd)
{
    return StatusSink{fdLine, reinterpret_cast<void*>(static_cast<intptr_t>(fd))};
}

StatusSink discardSink()
{
    return StatusSink{discardLine, nullptr};
}

void statusLine(const StatusSink* sink, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    int length = formatSimple(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) {
        va_start(args, format);
        length = std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        if (length >= static_cast<int>(sizeof text))
            length = static_cast<int>(sizeof text) - 1;
    }
    emit(sink, text, length);
}

void statusError(const StatusSink* sink, const char* prefix)
{
    char reason[128];
    // The GNU strerror_r returns the text, which need not be in reason.
    const char* text = strerror_r(errno, reason, sizeof reason);
    char line[512];
    const int length = std::snprintf(line, sizeof line, "%s: %s\n", prefix, text);
    emit(sink, line, length < static_cast<int>(sizeof line) ? length : static_cast<int>(sizeof line) - 1);
}

} // namespace impact
