#pragma once
// The command line of impact-rastergen.
#include <string>

#include "raster_pages.h"

struct RastergenArgs {
    RasterJob job;
    std::string outputPath; // empty: standard output
    bool help = false;
};

extern const char* const kRastergenUsage;

// 0 with args filled, or 22 with a one-line reason in *error.
int parseRastergenArgs(int argc, const char* const* argv, RastergenArgs* args, std::string* error);

// "a4", "letter" (any letter case) or WxH in points: 0, else 22.
int parseMedia(const char* text, RasterJob* job);
