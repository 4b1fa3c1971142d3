#pragma once
// The command line of impact-preview.
#include <string>

#include "impact_decode.h"
#include "page_image.h"

struct PreviewArgs {
    PrinterClass printer;
    bool list = false;
    bool text = false;   // --text: the pages' text
    bool time = false;   // --time: the time on paper
    uint32_t baud = 0;   // --baud: for the time on paper over a serial line
    bool help = false;
    PreviewOptions image;
    std::string prefix = "page";
    std::string inputPath; // empty: standard input
};

extern const char* const kPreviewUsage;

// 0 with args filled, or 22 with a one-line reason in *error.
int parsePreviewArgs(int argc, const char* const* argv, PreviewArgs* args, std::string* error);
