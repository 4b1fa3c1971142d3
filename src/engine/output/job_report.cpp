#include "engine/output/job_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/output/simple_format.h"

namespace impact {

namespace {

constexpr char kPageText[] = "Page %d started (copies: %d).";
constexpr char kProgressText[] = "Printing page %d, %d%% complete...";
constexpr char kReadyText[] = "Ready to print.";
constexpr char kNoPagesText[] = "No pages found!";
constexpr char kOutputText[] = "Print data output error.";
constexpr char kDataFormatText[] = "CUPS data format error.";
constexpr char kResolutionText[] = "Illegal Resolution.";

size_t format(char* text, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

size_t format(char* text, size_t size, const char* format, ...)
{
    if (size == 0)
        return 0;
    va_list args;
    va_start(args, format);
    int length = formatSimple(text, size, format, args);
    va_end(args);
    if (length < 0) {
        va_start(args, format);
        length = std::vsnprintf(text, size, format, args);
        va_end(args);
    }
    if (length < 0) {
        text[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size - 1;
}

void discard(void*, const JobReport*) {}

} // namespace

ReportSink discardReports()
{
    return ReportSink{discard, nullptr};
}

ReportLevel reportLevel(ReportKind kind)
{
    switch (kind) {
    case ReportKind::PageStarted:
    case ReportKind::Progress:
    case ReportKind::JobEnded:
        return ReportLevel::Info;
    case ReportKind::NoPages:
        return ReportLevel::Warning;
    case ReportKind::OutputFailed:
    case ReportKind::UnusablePage:
    case ReportKind::IllegalResolution:
    case ReportKind::OutOfMemory:
    case ReportKind::Message:
        break;
    }
    return ReportLevel::Error;
}

void sendReport(const ReportSink* sink, ReportKind kind, int32_t page, int32_t value)
{
    if (sink == nullptr || sink->report == nullptr)
        return;
    const JobReport report{kind, reportLevel(kind), page, value, nullptr};
    sink->report(sink->context, &report);
}

void sendMessage(const ReportSink* sink, ReportLevel level, const char* text)
{
    if (sink == nullptr || sink->report == nullptr || text == nullptr)
        return;
    const JobReport report{ReportKind::Message, level, 0, 0, text};
    sink->report(sink->context, &report);
}

size_t reportMessage(const JobReport* report, char* text, size_t size)
{
    switch (report->kind) {
    case ReportKind::PageStarted:
        return format(text, size, kPageText, report->page, report->value);
    case ReportKind::Progress:
        return format(text, size, kProgressText, report->page, report->value);
    case ReportKind::JobEnded:
        return format(text, size, "%s", kReadyText);
    case ReportKind::NoPages:
        return format(text, size, "%s", kNoPagesText);
    case ReportKind::OutputFailed:
        return format(text, size, "%s", kOutputText);
    case ReportKind::UnusablePage:
        return format(text, size, "%s", kDataFormatText);
    case ReportKind::IllegalResolution:
        return format(text, size, "%s", kResolutionText);
    case ReportKind::OutOfMemory: {
        char reason[128];
        // The GNU strerror_r returns the text, which need not be in reason.
        return format(text, size, "%s", strerror_r(report->value, reason, sizeof reason));
    }
    case ReportKind::Message:
        return format(text, size, "%s", report->text != nullptr ? report->text : "");
    }
    return format(text, size, "%s", "");
}

} // namespace impact
