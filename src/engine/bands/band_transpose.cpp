#include "engine/bands/band_transpose.h"

#include <cstddef>
#include <cstring>

#include "engine/bands/band_transpose_wide.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace impact {

namespace {

// The rows of one band as the transpose reads them.
struct BandRows {
    const unsigned char* band;
    uint32_t lineBytes;
    uint32_t count;       // rows that hold data
    unsigned char tailMask; // the bits of a row's last byte that are columns
};

const unsigned char* bandRow(const BandRows& rows, uint32_t r)
{
    return rows.band + static_cast<size_t>(r) * rows.lineBytes;
}

// One 8 x 8 block of the band: eight rows of one byte column, row 0 in the
// high byte, each row's leftmost dot in its high bit. Transposed in three
// rounds of swapping sub-blocks across the diagonal (2 x 2 bits, 4 x 4,
// then 8 x 8), which leaves column 0 in the high byte, its top row in the
// high bit: the column bytes the printer takes.
uint64_t transposeBlock(uint64_t x)
{
    uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
    x ^= t ^ (t << 28);
    return x;
}

// Byte columns [begin, end) of rows [top, top + count), count at most 8,
// one 8 x 8 block at a time; blocks without a dot are skipped.
void transposeBytes(const BandRows& rows, uint32_t top, uint32_t count, uint32_t begin, uint32_t end,
                    unsigned char* columns, uint32_t perColumn, uint32_t widthDots)
{
    const uint32_t columnByte = top / 8;
    for (uint32_t b = begin; b < end; ++b) {
        uint64_t block = 0;
        for (uint32_t r = 0; r < count; ++r)
            block |= static_cast<uint64_t>(bandRow(rows, top + r)[b]) << (56 - 8 * r);
        if (b == rows.lineBytes - 1)
            block &= rows.tailMask * 0x0101010101010101ULL;
        if (block == 0)
            continue;
        block = transposeBlock(block);
        // Column 8 * b + k is byte k of the block, counted from the high end.
        const uint32_t x0 = 8 * b;
        const uint32_t dots = widthDots - x0 < 8 ? widthDots - x0 : 8;
        for (uint32_t k = 0; k < dots; ++k)
            columns[static_cast<size_t>(x0 + k) * perColumn + columnByte] =
                static_cast<unsigned char>(block >> (56 - 8 * k));
    }
}

#if defined(__SSE2__)
// The same with SSE2, which every x86-64 processor has: sixteen byte
// columns (128 dot columns) at a time. The bytes of one byte column are
// first gathered into one run, bottom row first; then the top bit of every
// byte, collected by one movemask, is one column's byte, and adding each
// byte to itself brings the next column's bits to the top.

bool isZero(__m128i v)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
}

// Byte columns [at, at + 16) of the given lines, blank rows past `count`;
// false when none of them has a dot.
bool loadRows(const unsigned char* const* line, uint32_t count, uint32_t rowCount, uint32_t at, __m128i* row)
{
    __m128i any = _mm_setzero_si128();
#pragma GCC unroll 16
    for (uint32_t r = 0; r < rowCount; ++r) {
        row[r] = r < count ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(line[r] + at)) : _mm_setzero_si128();
        any = _mm_or_si128(any, row[r]);
    }
    return !isZero(any);
}

// Eight rows in, eight runs out: run[k] holds byte columns 2k and 2k + 1,
// rows 7 to 0 of each.
void gatherEightRows(const __m128i row[8], __m128i run[8])
{
    __m128i pairs[8]; // rows 7-6, 5-4, 3-2, 1-0 of byte columns 0-7, then of 8-15
#pragma GCC unroll 4
    for (int p = 0; p < 4; ++p) {
        pairs[p] = _mm_unpacklo_epi8(row[7 - 2 * p], row[6 - 2 * p]);
        pairs[p + 4] = _mm_unpackhi_epi8(row[7 - 2 * p], row[6 - 2 * p]);
    }
    __m128i fours[8]; // rows 7-4 then rows 3-0, of byte columns 0-3, 4-7, 8-11, 12-15
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
        const __m128i* in = pairs + 4 * h;
        fours[4 * h + 0] = _mm_unpacklo_epi16(in[0], in[1]);
        fours[4 * h + 1] = _mm_unpackhi_epi16(in[0], in[1]);
        fours[4 * h + 2] = _mm_unpacklo_epi16(in[2], in[3]);
        fours[4 * h + 3] = _mm_unpackhi_epi16(in[2], in[3]);
    }
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
        const __m128i upper = fours[(q / 2) * 4 + q % 2];
        const __m128i lower = fours[(q / 2) * 4 + q % 2 + 2];
        run[2 * q] = _mm_unpacklo_epi32(upper, lower);
        run[2 * q + 1] = _mm_unpackhi_epi32(upper, lower);
    }
}

// Eight rows starting at a multiple of 8: one byte of each column.
void transposeSse2Eight(const __m128i row[8], unsigned char* columns, uint32_t x0, uint32_t perColumn,
                        uint32_t columnByte)
{
    __m128i run[8];
    gatherEightRows(row, run);
    for (int k = 0; k < 8; ++k) {
        if (isZero(run[k]))
            continue;
        unsigned char* left = columns + static_cast<size_t>(x0 + 16 * k) * perColumn + columnByte;
        unsigned char* right = left + static_cast<size_t>(8) * perColumn;
        __m128i v = run[k];
#pragma GCC unroll 8
        for (uint32_t i = 0; i < 8; ++i) {
            const int topBits = _mm_movemask_epi8(v);
            left[i * perColumn] = static_cast<unsigned char>(topBits);
            right[i * perColumn] = static_cast<unsigned char>(topBits >> 8);
            v = _mm_add_epi8(v, v);
        }
    }
}

// One byte column of sixteen rows, rows 7 to 0 then 15 to 8: the two
// neighbouring bytes `columnByte` and `columnByte + 1` of columns x0 to x0 + 7.
void storeColumnPairs(__m128i v, unsigned char* columns, uint32_t x0, uint32_t perColumn, uint32_t columnByte)
{
    if (isZero(v))
        return;
    unsigned char* column = columns + static_cast<size_t>(x0) * perColumn + columnByte;
#pragma GCC unroll 8
    for (uint32_t i = 0; i < 8; ++i) {
        // Rows 0 to 7 in the low byte: the first of the two in memory, as
        // x86 is little-endian.
        const uint16_t topBits = static_cast<uint16_t>(_mm_movemask_epi8(v));
        std::memcpy(column + i * perColumn, &topBits, sizeof topBits);
        v = _mm_add_epi8(v, v);
    }
}

// Sixteen rows starting at a multiple of 16: two neighbouring bytes of
// each column from one movemask.
void transposeSse2Sixteen(const __m128i row[16], unsigned char* columns, uint32_t x0, uint32_t perColumn,
                          uint32_t columnByte)
{
    __m128i upper[8];
    __m128i lower[8];
    gatherEightRows(row, upper);
    gatherEightRows(row + 8, lower);
    for (int k = 0; k < 8; ++k) {
        // Rows 7 to 0, then rows 15 to 8, of byte columns 2k and 2k + 1.
        storeColumnPairs(_mm_unpacklo_epi64(upper[k], lower[k]), columns, x0 + 16 * k, perColumn, columnByte);
        storeColumnPairs(_mm_unpackhi_epi64(upper[k], lower[k]), columns, x0 + 16 * k + 8, perColumn, columnByte);
    }
}

// Every byte column of a row that has no padding bits (`fullBytes`, at
// least 16) for `rowCount` (8 or 16) rows from top, sixteen byte columns at
// a time. A last piece shorter than sixteen is taken from further left,
// overlapping columns already written, which get the same bytes again.
void transposeSse2Rows(const BandRows& rows, uint32_t top, uint32_t rowCount, uint32_t fullBytes,
                       unsigned char* columns, uint32_t perColumn)
{
    const uint32_t count = rows.count - top < rowCount ? rows.count - top : rowCount;
    const unsigned char* line[16];
    for (uint32_t r = 0; r < count; ++r)
        line[r] = bandRow(rows, top + r);
    for (uint32_t b = 0; b < fullBytes; b += 16) {
        const uint32_t at = b + 16 <= fullBytes ? b : fullBytes - 16;
        __m128i row[16];
        if (!loadRows(line, count, rowCount, at, row))
            continue;
        if (rowCount == 16)
            transposeSse2Sixteen(row, columns, 8 * at, perColumn, top / 8);
        else
            transposeSse2Eight(row, columns, 8 * at, perColumn, top / 8);
    }
}
#endif

uint64_t loadWord(const unsigned char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether the 64 bytes from `bytes` are all zero.
bool zeroRun(const unsigned char* bytes)
{
    uint64_t any = 0;
#pragma GCC unroll 8
    for (uint32_t i = 0; i < 64; i += 8)
        any |= loadWord(bytes + i);
    return any == 0;
}

// The first and last columns with a dot, from the column bytes: a scan from
// either end that steps over runs and words of zeros. False when there is none.
bool findPrintedColumns(const unsigned char* columns, size_t size, uint32_t perColumn, uint32_t* first,
                        uint32_t* last)
{
    size_t lo = 0;
    while (lo + 64 <= size && zeroRun(columns + lo))
        lo += 64;
    while (lo + 8 <= size && loadWord(columns + lo) == 0)
        lo += 8;
    while (lo < size && columns[lo] == 0)
        ++lo;
    if (lo == size)
        return false;
    size_t hi = size; // one past the last byte with a dot
    while (hi - lo >= 64 && zeroRun(columns + hi - 64))
        hi -= 64;
    while (hi - lo >= 8 && loadWord(columns + hi - 8) == 0)
        hi -= 8;
    while (columns[hi - 1] == 0)
        --hi;
    *first = static_cast<uint32_t>(lo / perColumn);
    *last = static_cast<uint32_t>((hi - 1) / perColumn);
    return true;
}

// Byte columns [begin, lineBytes) of every row, eight rows at a time,
// into columns that are zero from dot column 8 * begin on.
void transposeRemainingBytes(const BandRows& rows, uint32_t begin, unsigned char* columns, uint32_t perColumn,
                             uint32_t widthDots)
{
    for (uint32_t top = 0; top < rows.count; top += 8) {
        const uint32_t count = rows.count - top < 8 ? rows.count - top : 8;
        transposeBytes(rows, top, count, begin, rows.lineBytes, columns, perColumn, widthDots);
    }
}

BandRows describeRows(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines)
{
    const uint32_t tailDots = widthDots % 8;
    return {band, (widthDots + 7) / 8, lines < rows ? lines : rows,
            static_cast<unsigned char>(tailDots == 0 ? 0xFF : 0xFF00 >> tailDots)};
}

} // namespace

bool transposeBandPortable(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                           unsigned char* columns, uint32_t* first, uint32_t* last)
{
    const BandRows bandRows = describeRows(band, widthDots, rows, lines);
    const uint32_t perColumn = (rows + 7) / 8;
    const size_t size = static_cast<size_t>(widthDots) * perColumn;
    // Eight rows make one byte of every column. Only blocks with dots are
    // written, onto zeros.
    std::memset(columns, 0, size);
    uint32_t begin = 0;
#if defined(__SSE2__)
    // Sixteen byte columns at a time where a row has that many bytes without
    // padding bits; sixteen rows at a time make two bytes of every column.
    const uint32_t fullBytes = widthDots / 8;
    if (fullBytes >= 16) {
        uint32_t top = 0;
        for (; bandRows.count - top >= 16; top += 16)
            transposeSse2Rows(bandRows, top, 16, fullBytes, columns, perColumn);
        for (; top < bandRows.count; top += 8)
            transposeSse2Rows(bandRows, top, 8, fullBytes, columns, perColumn);
        begin = fullBytes;
    }
#endif
    // The rest byte by byte: a narrow band, or a last byte with padding.
    transposeRemainingBytes(bandRows, begin, columns, perColumn, widthDots);
    return findPrintedColumns(columns, size, perColumn, first, last);
}

bool transposeBandWide(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                       unsigned char* columns, uint32_t* first, uint32_t* last)
{
    const int any = wideTransposeAvailable()
                        ? transposeWideColumns(band, widthDots, rows, lines < rows ? lines : rows, columns, first, last)
                        : -1;
    return any >= 0 ? any != 0 : transposeBandPortable(band, widthDots, rows, lines, columns, first, last);
}

bool transposeBand(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t lines,
                   unsigned char* columns, uint32_t* first, uint32_t* last)
{
    if (rows <= kWideMaxRows && wideTransposeAvailable())
        return transposeBandWide(band, widthDots, rows, lines, columns, first, last);
    return transposeBandPortable(band, widthDots, rows, lines, columns, first, last);
}

} // namespace impact
