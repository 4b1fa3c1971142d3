#include "filter/status_lines.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace impact;

namespace {

void writeLine(int fd, const char* text, size_t length)
{
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

void fdReport(void* context, const JobReport* report)
{
    char line[512];
    const size_t length = formatStatusLine(report, line, sizeof line);
    if (length != 0)
        writeLine(static_cast<int>(reinterpret_cast<intptr_t>(context)), line, length);
}

} // namespace

size_t formatStatusLine(const JobReport* report, char* line, size_t size)
{
    if (size < 2) // room for at least the newline
        return 0;
    if (report->kind == ReportKind::PageStarted) {
        const int length = std::snprintf(line, size, "PAGE: %d %d\n", report->page, report->value);
        return length < 0 ? 0 : static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size - 1;
    }
    const char* prefix = report->level == ReportLevel::Error     ? "ERROR: "
                         : report->level == ReportLevel::Warning ? "WARNING: "
                                                                 : "INFO: ";
    // A line too long for the buffer is cut as snprintf cuts it: its end,
    // the newline included, is lost.
    size_t length = strnlen(prefix, size - 1);
    std::memcpy(line, prefix, length);
    length += reportMessage(report, line + length, size - length);
    if (length + 1 < size)
        line[length++] = '\n';
    line[length] = '\0';
    return length;
}

ReportSink fdStatusLines(int fd)
{
    return ReportSink{fdReport, reinterpret_cast<void*>(static_cast<intptr_t>(fd))};
}
