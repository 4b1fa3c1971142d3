#pragma once
// Reading a PNG or JPEG file as 8-bit gray pixels.
#include <cstdint>
#include <vector>

struct GrayImage {
    uint32_t width = 0;
    uint32_t height = 0;
    double ppi = 0; // pixels per inch the file states, 0 when it does not
    std::vector<uint8_t> pixels; // rows top down, 0 black .. 255 white
};

// Largest image accepted, in pixels.
inline constexpr uint64_t kMaxImagePixels = 64u * 1024 * 1024;

// 0, or 22 for a file that is not a readable image of this kind (or too
// large).
int decodePng(const char* path, GrayImage* image);
// A PNG by its signature, anything else as a JPEG.
int decodeImage(const char* path, GrayImage* image);
int decodeJpeg(const char* path, GrayImage* image);
