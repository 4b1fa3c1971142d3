#pragma once
// The column layout of a band: the bit-image command takes a band column
// by column, the raster gives it row by row.
#include <cstdint>

namespace impact {

// Turns rows [0, lines) of a row-ordered band (rows of (widthDots + 7) / 8
// bytes, the leftmost dot in the high bit) into the column-ordered layout of
// the bit-image command: column x holds bytesPerColumn = (rows + 7) / 8
// bytes, the top row in the high bit of its first byte. Rows from `lines`
// to `rows` are blank. Every one of the widthDots * bytesPerColumn bytes of
// columns is written. Returns true and the first and last columns with a
// dot, or false when the band has none.
//
// Uses the fastest way the processor offers; the two below are the ways
// there are, for tests and benchmarks that compare them.
bool transposeBand(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                   unsigned char* columns, uint32_t* first, uint32_t* last);

// Any processor: eight-by-eight bit blocks, sixteen byte columns at a time
// with SSE2 on x86-64. Same contract as transposeBand.
bool transposeBandPortable(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                           unsigned char* columns, uint32_t* first, uint32_t* last);

// Processors with AVX-512 (F, BW, VBMI) and GFNI: one instruction turns
// eight rows of eight byte columns around. False when the processor lacks them
// (then transposeBand takes the portable way). Same contract otherwise.
bool wideTransposeAvailable();
bool transposeBandWide(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                       unsigned char* columns, uint32_t* first, uint32_t* last);

} // namespace impact
