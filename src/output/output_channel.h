#pragma once
// The printer data channel. Every printer byte leaves the filter through
// writeAll and writeFormatted, which write to one OutputStream. By default
// that stream is a buffered writer on standard output; tests and other
// hosts of the band engine install their own stream with setOutputStream.
#include <cstddef>
#include <cstdint>

using StatusCode = int;

struct OutputStream {
    // Accepts up to count bytes and returns how many it took, like one
    // fwrite call; fewer than count means the stream failed or is full.
    size_t (*write)(void* context, const unsigned char* bytes, size_t count);
    // Pushes buffered bytes to the device: 0 on success, non-zero on failure.
    int (*flush)(void* context);
    void* context;
};

// Installs the stream the output operations write to; null restores the
// standard output writer. Returns the stream that was installed before.
const OutputStream* setOutputStream(const OutputStream* stream);
const OutputStream* currentOutputStream();

StatusCode writeAll(const void* bytes, size_t count);
StatusCode writeFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends everything buffered on to the device; 1 when that failed.
StatusCode flushOutput();

// The standard output writer: a buffer sized for whole bands, written to a
// file descriptor with write(2), retried after partial writes and signals.
struct FdWriter {
    int fd;
    int failed;           // sticky: once the device fails, nothing more is sent
    size_t used;
    unsigned char buffer[256 * 1024];
};

void initFdWriter(FdWriter* writer, int fd);
OutputStream fdWriterStream(FdWriter* writer);
