#pragma once
// A decoded page as a picture: white paper, black dots, each dot at its
// true position rounded to the nearest pixel and drawn about one dot wide,
// and the characters printed in the printer's fonts drawn in the preview's
// own font (text_font.h) in their cells.
#include <cstdint>
#include <vector>

#include "impact_decode.h"

struct PreviewOptions {
    uint32_t dpi = 180;
    double widthInches = 8.5;
    double defaultLengthInches = 11.0; // when the page has no page length
};

struct PageImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels; // 8-bit grey, 0 black, 255 white, row-major
    uint64_t dots = 0;           // bit-image dots printed on the page
    uint64_t chars = 0;          // characters printed in the printer's fonts
};

// The picture is the page length (or the default) high and widthInches
// wide, larger when dots or characters lie beyond. 0, or 22 for a zero dpi or a picture
// over 2^31 pixels.
int renderPageImage(const Page& page, const PrinterClass& printer, const PreviewOptions& options, PageImage* image);

// Writes an 8-bit grey PNG: 0, or 5 when the file cannot be written.
int writePageImagePng(const char* path, const PageImage& image);
