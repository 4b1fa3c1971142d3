#pragma once
// The band transpose with AVX-512 and GFNI, for processors that have them.
#include <cstdint>

namespace impact {

// Bands of up to this many rows (eight bytes a column) go the wide way.
inline constexpr uint32_t kWideMaxRows = 64;

// 1 when the processor (and the system) runs AVX-512 F, BW, VBMI and GFNI.
bool wideTransposeAvailable();

// Writes every byte of the column layout of the band, as transposeBand
// does: rows of (widthDots + 7) / 8 bytes, rows from `count` to `rows`
// blank. 1 and the first and last columns with a dot, 0 when there is none;
// -1, and nothing written, when rows is 0 or more than kWideMaxRows. Only
// for processors where wideTransposeAvailable() is 1.
int transposeWideColumns(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t count,
                         unsigned char* columns, uint32_t* first, uint32_t* last);

} // namespace impact
