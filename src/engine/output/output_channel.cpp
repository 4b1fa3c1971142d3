#include "engine/output/output_channel.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "engine/output/simple_format.h"

namespace impact {

namespace {

// False when the device failed, now or before.
bool fdWriterDrain(FdWriter* w)
{
    size_t done = 0;
    while (done < w->used) {
        ssize_t n = ::write(w->fd, w->buffer + done, w->used - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            w->failed = true;
            break;
        }
        done += static_cast<size_t>(n);
    }
    w->used = 0;
    return !w->failed;
}

size_t fdWriterWrite(void* context, const unsigned char* bytes, size_t count)
{
    auto* w = static_cast<FdWriter*>(context);
    size_t taken = 0;
    while (taken < count && !w->failed) {
        if (w->used == sizeof w->buffer) {
            if (!fdWriterDrain(w))
                break;
        }
        size_t room = sizeof w->buffer - w->used;
        size_t n = count - taken < room ? count - taken : room;
        std::memcpy(w->buffer + w->used, bytes + taken, n);
        w->used += n;
        taken += n;
    }
    return taken;
}

bool fdWriterFlush(void* context)
{
    auto* w = static_cast<FdWriter*>(context);
    return !w->failed && fdWriterDrain(w);
}

size_t discardWrite(void*, const unsigned char*, size_t count)
{
    return count;
}

} // namespace

void initFdWriter(FdWriter* writer, int fd)
{
    writer->fd = fd;
    writer->failed = false;
    writer->used = 0;
}

OutputStream fdWriterStream(FdWriter* writer)
{
    return OutputStream{fdWriterWrite, fdWriterFlush, writer};
}

OutputStream discardStream()
{
    return OutputStream{discardWrite, nullptr, nullptr};
}

bool writeAll(const OutputStream* out, const void* bytes, size_t count)
{
    if (out == nullptr || bytes == nullptr || count == 0)
        return false;
    const auto* p = static_cast<const unsigned char*>(bytes);
    size_t total = 0;
    // A stream that takes only part of the data gets two more chances.
    for (int attempt = 0; attempt < 3 && total < count; ++attempt)
        total += out->write(out->context, p + total, count - total);
    return total == count;
}

bool writeFormatted(const OutputStream* out, const char* format, ...)
{
    if (out == nullptr || format == nullptr)
        return false;
    char text[256];
    va_list args;
    va_start(args, format);
    int length = formatSimple(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) {
        // The arguments again from the start (a va_copy made beforehand
        // costs a stalled load on every command).
        va_start(args, format);
        length = std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
    }
    if (length < 0 || static_cast<size_t>(length) >= sizeof text)
        return false;
    if (length == 0)
        return true;
    size_t written = out->write(out->context, reinterpret_cast<unsigned char*>(text), static_cast<size_t>(length));
    return written == static_cast<size_t>(length);
}

bool flushOutput(const OutputStream* out)
{
    if (out == nullptr || out->flush == nullptr)
        return true;
    return out->flush(out->context);
}

} // namespace impact
