#pragma once
// The printer's PC code pages and how the preview's font draws the
// characters in them (char_tables_data.cpp, written by make_char_tables.py).
#include <cstddef>
#include <cstdint>

// Unicode of bytes 80-FF.
extern const uint16_t kPC437Upper[128];
extern const uint16_t kPC850Upper[128];
extern const uint16_t kPC852Upper[128];
extern const uint16_t kPC858Upper[128];

enum class DrawingKind : uint8_t {
    Accented, // a = the ASCII letter, b = the accent (text_font.cpp numbers them)
    Box,      // a, b, c, d = line up, down, left, right: 0 none, 1 single, 2 double
    Block,    // a = the shade or block (text_font.cpp numbers them)
};

struct Drawing {
    uint32_t codepoint;
    DrawingKind kind;
    uint8_t a, b, c, d;
};

// Sorted by code point.
extern const Drawing kDrawings[];
extern const size_t kDrawingCount;
