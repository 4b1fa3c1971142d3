#pragma once
// The printer data channel. Every printer byte of a job leaves through
// writeAll and writeFormatted on the job's OutputStream: a buffered writer on
// standard output in the filter, a device in the printer application, a
// memory buffer in tests.
#include <cstddef>
#include <cstdint>

namespace impact {

struct OutputStream {
    // Accepts up to count bytes and returns how many it took, like one
    // fwrite call; fewer than count means the stream failed or is full.
    size_t (*write)(void* context, const unsigned char* bytes, size_t count);
    // Pushes buffered bytes to the device: false when that failed. May be
    // null: nothing is buffered.
    bool (*flush)(void* context);
    void* context;
};

// A stream that takes every byte and keeps none: a job that is over.
OutputStream discardStream();

// True when the stream took all count bytes (false for none to write).
bool writeAll(const OutputStream* out, const void* bytes, size_t count);
// True when the stream took the whole text (true for an empty one).
bool writeFormatted(const OutputStream* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Sends everything buffered on to the device; false when that failed.
bool flushOutput(const OutputStream* out);

// A buffered writer on a file descriptor: a buffer sized for whole bands,
// written with write(2), retried after partial writes and signals.
struct FdWriter {
    int fd;
    bool failed;          // sticky: once the device fails, nothing more is sent
    size_t used;
    unsigned char buffer[256 * 1024];
};

void initFdWriter(FdWriter* writer, int fd);
OutputStream fdWriterStream(FdWriter* writer);

} // namespace impact
