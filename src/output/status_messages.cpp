#include "output/status_messages.h"

#include <cstdarg>
#include <cstdio>

void statusLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
