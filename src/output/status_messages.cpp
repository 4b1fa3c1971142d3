#include "output/status_messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

#include "output/simple_format.h"

void statusLine(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    const int length = formatSimple(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) {
        va_start(args, format);
        std::vfprintf(stderr, format, args);
        va_end(args);
        return;
    }
    // One write for the whole line, as the unbuffered standard error stream
    // makes it, without its locking and formatting.
    size_t done = 0;
    while (done < static_cast<size_t>(length)) {
        const ssize_t n = ::write(STDERR_FILENO, text + done, static_cast<size_t>(length) - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
}
