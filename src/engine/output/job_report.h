#pragma once
// What a job tells its host as it goes: a page started, how far the page
// is, that the job ended, and what went wrong, each as a typed report with
// a level. The filter writes them as the spooler's status lines; the
// printer application puts them in the job's log and message.
#include <cstddef>
#include <cstdint>

namespace impact {

enum class ReportLevel : uint8_t { Info, Warning, Error };

enum class ReportKind : uint8_t {
    PageStarted,       // page, copies
    Progress,          // page, percent of its lines
    JobEnded,          // the job ended after printing pages
    NoPages,           // the job ended without a page
    OutputFailed,      // the printer data could not be written
    UnusablePage,      // a page the engine cannot print
    IllegalResolution, // a band at a resolution no graphics mode has
    OutOfMemory,       // value: the errno of the failed allocation
    Message,           // text: the host's own, at the level it gives
};

struct JobReport {
    ReportKind kind;
    ReportLevel level;
    int32_t page;  // the page it is about (PageStarted, Progress)
    int32_t value; // PageStarted: copies; Progress: percent; OutOfMemory: errno
    const char* text; // Message: what it says, a whole sentence; else null
};

// Where a job's reports go; report may be null.
struct ReportSink {
    void (*report)(void* context, const JobReport* report);
    void* context;
};

// Reports that go nowhere: a job that is over.
ReportSink discardReports();

ReportLevel reportLevel(ReportKind kind);

// Sends one report of this kind, at its kind's level.
void sendReport(const ReportSink* sink, ReportKind kind, int32_t page = 0, int32_t value = 0);
// Sends a message of the host's own at this level.
void sendMessage(const ReportSink* sink, ReportLevel level, const char* text);

// The report as a person reads it ("Printing page 2, 50% complete...",
// "Print data output error."), into text (at most size - 1 characters and
// a NUL); returns its length.
size_t reportMessage(const JobReport* report, char* text, size_t size);

} // namespace impact
