#pragma once
// An output stream for tests: keeps every byte it accepts, and can be told
// to accept only part of each write or to fail.
#include <cstddef>
#include <string>
#include <vector>

#include "output/output_channel.h"

struct CaptureStream {
    std::vector<unsigned char> bytes;
    size_t acceptPerWrite = SIZE_MAX; // at most this many bytes per write
    size_t failAfterWrites = SIZE_MAX; // writes after this many take nothing
    size_t writeCalls = 0;
    OutputStream stream{};
    const OutputStream* previous = nullptr;
};

// Makes capture the stream the output operations write to.
void captureBegin(CaptureStream* capture);
// Restores the stream that was there before.
void captureEnd(CaptureStream* capture);

std::string hexBytes(const std::vector<unsigned char>& bytes);
std::vector<unsigned char> bytesOf(std::initializer_list<int> values);
