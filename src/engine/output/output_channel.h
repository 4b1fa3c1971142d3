#pragma once
// The printer data channel. Every printer byte of a job leaves through
// writeAll and writeFormatted on the job's OutputStream: a buffered writer on
// standard output in the filter, a device in the printer application, a
// memory buffer in tests.
#include <cstddef>
#include <cstdint>

namespace impact {

// What a job or one of its steps ended with. The filter exits with the
// value (kBadData as 255).
enum JobResult : int {
    kSuccess = 0,
    kWriteFailed = 1,   // a command sequence was not taken whole; the step reports kOutputFailed
    kUsageError = 1,    // the filter's arguments or input file
    kPpdUnreadable = 2,
    kOutputFailed = 5,  // the printer data or the raster stream could not be opened or written
    kOutOfMemory = 12,
    kUnsupported = 22,  // bad arguments, conflicting options, printer or resolution not supported
    kBadData = -1,      // no page size, or a raster page the engine cannot print
};
// A JobResult, or 0.
using StatusCode = int;

struct OutputStream {
    // Accepts up to count bytes and returns how many it took, like one
    // fwrite call; fewer than count means the stream failed or is full.
    size_t (*write)(void* context, const unsigned char* bytes, size_t count);
    // Pushes buffered bytes to the device: 0 on success, non-zero on failure.
    // May be null: nothing is buffered.
    int (*flush)(void* context);
    void* context;
};

// A stream that takes every byte and keeps none: a job that is over.
OutputStream discardStream();

StatusCode writeAll(const OutputStream* out, const void* bytes, size_t count);
StatusCode writeFormatted(const OutputStream* out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Sends everything buffered on to the device; 1 when that failed.
StatusCode flushOutput(const OutputStream* out);

// A buffered writer on a file descriptor: a buffer sized for whole bands,
// written with write(2), retried after partial writes and signals.
struct FdWriter {
    int fd;
    int failed;           // sticky: once the device fails, nothing more is sent
    size_t used;
    unsigned char buffer[256 * 1024];
};

void initFdWriter(FdWriter* writer, int fd);
OutputStream fdWriterStream(FdWriter* writer);

} // namespace impact
