#pragma once
// The status lines the filter writes to standard error, in the spooler's
// line protocol. Each is a fixed text; the formatted ones take the values
// named beside them.
#include <cstddef>

namespace impact {

inline constexpr const char* kUsageLine = "Usage: %s job-id user title copies options [file]\n"; // program
inline constexpr const char* kOpenRasterPrefix = "ERROR: Unable to open raster file - ";    // perror
inline constexpr const char* kPpdReadError = "ERROR: Can not read PPD information.\n";
inline constexpr const char* kOptionsConflict = "ERROR: Options conflicting.\n";
inline constexpr const char* kPrinterNotSupported = "ERROR: The Printer is not supported.\n";
inline constexpr const char* kPageSizeError = "ERROR: PageSize error.\n";
inline constexpr const char* kRasterOpenError = "ERROR: CUPS Fatal Error (cupsRasterOpen).\n";
inline constexpr const char* kPageLine = "PAGE: %d %d\n";                                 // page, copies
inline constexpr const char* kDataFormatError = "ERROR: CUPS data format error.\n";
inline constexpr const char* kProgressLine = "INFO: Printing page %d, %d%% complete...\n"; // page, percent
inline constexpr const char* kReadyLine = "INFO: Ready to print.\n";
inline constexpr const char* kNoPagesLine = "WARNING: No pages found!\n";
inline constexpr const char* kOutputError = "ERROR: Print data output error.\n";
inline constexpr const char* kIllegalResolution = "ERROR: Illegal Resolution.\n";
inline constexpr const char* kAllocationPrefix = "ERROR"; // perror

// Where a job's status lines go: each call is one whole line, ending in a
// newline.
struct StatusSink {
    void (*line)(void* context, const char* text, size_t length);
    void* context;
};

// Lines written to a file descriptor, each with one write(2) as an
// unbuffered standard error stream writes them.
StatusSink fdStatusSink(int fd);
// Lines that go nowhere: a job that is over.
StatusSink discardSink();

// Writes one status line; the format is one of the texts above.
void statusLine(const StatusSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The line perror would write: the prefix, ": ", the reason for errno.
void statusError(const StatusSink* sink, const char* prefix);

} // namespace impact
