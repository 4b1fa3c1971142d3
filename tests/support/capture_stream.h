#pragma once
// Jobs for tests: an output stream that keeps every byte it accepts (and
// can be told to accept only part of each write, or to fail), and a job
// whose printer bytes and status lines are kept.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/job_state.h"

struct CaptureStream {
    std::vector<unsigned char> bytes;
    size_t acceptPerWrite = SIZE_MAX; // at most this many bytes per write
    size_t failAfterWrites = SIZE_MAX; // writes after this many take nothing
    size_t writeCalls = 0;
};

OutputStream captureStream(CaptureStream* capture);
// Status lines appended to text.
StatusSink captureSink(std::string* text);

// A job whose printer bytes go to out and status lines to status.
struct TestJob {
    CaptureStream out;
    std::string status;
    JobState state;
    TestJob();
    TestJob(const TestJob&) = delete;
    TestJob& operator=(const TestJob&) = delete;
};

std::string hexBytes(const std::vector<unsigned char>& bytes);
std::vector<unsigned char> bytesOf(std::initializer_list<int> values);
