#pragma once
// What the fuzz targets share: an in-memory file for the printer
// description, and output streams that take everything, take a little at a
// time, or fail.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/job/job_state.h"
#include "engine/output/output_channel.h"

using namespace impact;

// A memory-backed file descriptor (never closed); -1 on failure.
int memoryFile(const char* name);
// Replaces the file's contents with bytes and rewinds it.
void refillMemoryFile(int fd, const uint8_t* bytes, size_t size);
// A path that opens the memory file afresh (for the PPD).
std::string memoryFilePath(int fd);

enum class OutputKind { Discard, Partial, FailLater };

struct FuzzSink {
    size_t acceptPerWrite;
    size_t writesLeft;
};

// A stream of that kind writing through sink.
OutputStream fuzzOutput(OutputKind kind, FuzzSink* sink);
// A job's host whose printer stream is chosen by a selector's top three
// bits (6: takes part of each write, 7: fails later, else discards) and
// whose reports go nowhere.
JobHost fuzzHost(uint8_t selector, FuzzSink* sink);
