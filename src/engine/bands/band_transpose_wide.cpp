#include "engine/bands/band_transpose_wide.h"

#include <cstddef>

#include "engine/bands/cpu_features.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define IMPACT_WIDE_TRANSPOSE 1
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics fill unused operands with a self-initialised
// "undefined" vector, which its sanitizer builds report as maybe unused
// uninitialised; the operands are masked off.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#endif

namespace impact {

#if defined(IMPACT_WIDE_TRANSPOSE)

#define WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,gfni")))
// GCC keeps the small fixed loops below as loops, their vectors in memory,
// unless told to lay them out flat; clang does so by itself (and, told to,
// takes minutes to build this file with sanitizers).
#if defined(__clang__)
#define UNROLL_FULLY
#else
#define UNROLL_FULLY _Pragma("GCC unroll 8")
#endif
// The steps of one stretch, laid out in the loop that runs them so their
// vectors stay in registers.
#define WIDE_STEP WIDE_TARGET __attribute__((always_inline)) inline

namespace {

// How P row groups (bytes per column) of 64 columns, one 64-byte vector per
// group with column x in byte x, are woven into the command's order, where
// column x's bytes lie at x * P + g: output vector o (bytes 64 o to
// 64 o + 63 of the run) takes byte i from group g = (64 o + i) % P, column
// (64 o + i) / P. Groups are taken in pairs, (0, 1), (2, 3), ..., as one
// two-vector permute reads 128 bytes; `index` picks the column (plus 64 for
// the pair's second group) and `mask` the bytes whose group is in the pair.
struct Weave {
    unsigned char index[kWideMaxRows / 8][kWideMaxRows / 16][64];
    uint64_t mask[kWideMaxRows / 8][kWideMaxRows / 16];
};

struct WeaveTables {
    Weave forGroups[kWideMaxRows / 8 + 1]; // by bytes per column, 2 to 8
};

constexpr WeaveTables buildWeaveTables()
{
    WeaveTables tables = {};
    for (uint32_t groups = 2; groups <= kWideMaxRows / 8; ++groups) {
        Weave& weave = tables.forGroups[groups];
        for (uint32_t o = 0; o < groups; ++o)
            for (uint32_t i = 0; i < 64; ++i) {
                const uint32_t at = 64 * o + i;
                const uint32_t group = at % groups;
                const uint32_t pair = group / 2;
                weave.index[o][pair][i] = static_cast<unsigned char>(at / groups + 64 * (group % 2));
                weave.mask[o][pair] |= uint64_t{1} << i;
            }
    }
    return tables;
}

// Made by the compiler: no start-up cost, no locking.
constexpr WeaveTables kWeaveTables = buildWeaveTables();

// An 8 x 8 byte block in, row r in word r; one 64-bit word per byte
// column out: word j holds the eight rows' bytes of byte column j, row r in
// byte r.
WIDE_STEP __m512i gatherByteColumns(__m512i rowWords)
{
    alignas(64) static const unsigned char kByteColumns[64] = {
        0, 8,  16, 24, 32, 40, 48, 56, 1, 9,  17, 25, 33, 41, 49, 57, 2, 10, 18, 26, 34, 42,
        50, 58, 3, 11, 19, 27, 35, 43, 51, 59, 4, 12, 20, 28, 36, 44, 52, 60, 5, 13, 21, 29,
        37, 45, 53, 61, 6, 14, 22, 30, 38, 46, 54, 62, 7, 15, 23, 31, 39, 47, 55, 63};
    return _mm512_permutexvar_epi8(_mm512_load_si512(kByteColumns), rowWords);
}

// Each 64-bit word is an 8 x 8 dot block, row r in byte r, its leftmost dot
// in the high bit. The affine transform with the matrix taken from the
// block and byte i of the operand picking bit 7 - i gives, in byte i, the
// column i of the block: bit 7 - r of it is row r, the top row in the high
// bit, as the printer takes a column.
WIDE_STEP __m512i blockColumns(__m512i blocks)
{
    const __m512i pickBit = _mm512_set1_epi64(0x0102040810204080LL);
    return _mm512_gf2p8affine_epi64_epi8(pickBit, blocks, 0);
}

// Eight rows of 64 bytes in (row r in rows[r]), the same bytes as eight
// 8 x 8 byte blocks out: blocks[c] holds byte columns 8c to 8c + 7, row r
// in its 64-bit word r. Three rounds of swapping halves across the
// diagonal: words, then pairs of words, then fours.
WIDE_STEP void splitIntoBlocks(const __m512i rows[8], __m512i blocks[8])
{
    __m512i pairs[8]; // rows 2k, 2k + 1: even words, then odd words
    for (int k = 0; k < 4; ++k) {
        pairs[2 * k] = _mm512_unpacklo_epi64(rows[2 * k], rows[2 * k + 1]);
        pairs[2 * k + 1] = _mm512_unpackhi_epi64(rows[2 * k], rows[2 * k + 1]);
    }
    // quads[4h + ...]: rows 4h to 4h + 3, of word pairs (0, 4), (2, 6),
    // (1, 5), (3, 7)
    __m512i quads[8];
    for (int h = 0; h < 2; ++h) {
        const __m512i* in = pairs + 4 * h;
        quads[4 * h + 0] = _mm512_shuffle_i64x2(in[0], in[2], _MM_SHUFFLE(2, 0, 2, 0));
        quads[4 * h + 1] = _mm512_shuffle_i64x2(in[0], in[2], _MM_SHUFFLE(3, 1, 3, 1));
        quads[4 * h + 2] = _mm512_shuffle_i64x2(in[1], in[3], _MM_SHUFFLE(2, 0, 2, 0));
        quads[4 * h + 3] = _mm512_shuffle_i64x2(in[1], in[3], _MM_SHUFFLE(3, 1, 3, 1));
    }
    // quads[q] and quads[q + 4] hold words w and w + 4 of all eight rows.
    const int wordOf[4] = {0, 2, 1, 3};
    for (int q = 0; q < 4; ++q) {
        blocks[wordOf[q]] = _mm512_shuffle_i64x2(quads[q], quads[q + 4], _MM_SHUFFLE(2, 0, 2, 0));
        blocks[wordOf[q] + 4] = _mm512_shuffle_i64x2(quads[q], quads[q + 4], _MM_SHUFFLE(3, 1, 3, 1));
    }
}

// One stretch of up to 512 columns (64 byte columns) of the band.
struct Stretch {
    __mmask64 load;       // the byte columns in the band
    __m512i keep;         // the bits of those bytes that are columns
    uint32_t dots;        // columns in the stretch
};

// Column x of the stretch, group g (rows 8g to 8g + 7), goes to byte x % 64
// of columns[x / 64][g]. Rows from `present` on are blank. Returns the byte
// columns where the group has a dot, bit i for byte column i.
template <uint32_t Groups>
WIDE_STEP __mmask64 transposeGroup(const unsigned char* top, uint32_t lineBytes, uint32_t present,
                                   const Stretch& stretch, uint32_t g, __m512i (*columns)[Groups])
{
    __m512i rows[8];
    UNROLL_FULLY
    for (uint32_t r = 0; r < 8; ++r) {
        const __mmask64 load = r < present ? stretch.load : 0;
        rows[r] = _mm512_and_si512(_mm512_maskz_loadu_epi8(load, top + r * lineBytes), stretch.keep);
    }
    __m512i any = rows[0];
    UNROLL_FULLY
    for (uint32_t r = 1; r < 8; ++r)
        any = _mm512_or_si512(any, rows[r]);
    const __mmask64 dots = _mm512_test_epi8_mask(any, any);
    if (dots == 0) {
        UNROLL_FULLY
        for (uint32_t c = 0; c < 8; ++c)
            columns[c][g] = any;
        return dots;
    }
    __m512i blocks[8];
    splitIntoBlocks(rows, blocks);
    UNROLL_FULLY
    for (uint32_t c = 0; c < 8; ++c)
        columns[c][g] = blockColumns(gatherByteColumns(blocks[c]));
    return dots;
}

// The first and last byte columns with a dot, gathered stretch by stretch
// as the rows are turned around: no search through the columns afterwards.
struct DotEnds {
    uint32_t firstByte; // lineBytes: none yet
    uint32_t lastByte;
};

// Takes the byte columns with a dot of the stretch from byte column at.
WIDE_STEP void noteDots(DotEnds* ends, uint32_t lineBytes, uint32_t at, __mmask64 dots)
{
    if (dots == 0)
        return;
    if (ends->firstByte == lineBytes)
        ends->firstByte = at + static_cast<uint32_t>(__builtin_ctzll(dots));
    ends->lastByte = at + 63 - static_cast<uint32_t>(__builtin_clzll(dots));
}

// Byte column b of rows [0, count) ORed together, without padding bits.
unsigned byteColumn(const unsigned char* band, uint32_t widthDots, uint32_t count, uint32_t b)
{
    const uint32_t lineBytes = (widthDots + 7) / 8;
    unsigned any = 0;
    for (uint32_t r = 0; r < count; ++r)
        any |= band[static_cast<size_t>(r) * lineBytes + b];
    return b == lineBytes - 1 && widthDots % 8 != 0 ? any & (0xFF00u >> widthDots % 8) : any;
}

// Stores the first `count` bytes of value (all of them from 64 on).
WIDE_STEP void storeBytes(unsigned char* out, __m512i value, uint32_t count)
{
    if (count >= 64)
        _mm512_storeu_si512(out, value);
    else
        _mm512_mask_storeu_epi8(out, (uint64_t{1} << count) - 1, value);
}

// Zeros to the first `count` bytes of out.
WIDE_STEP void storeZeros(unsigned char* out, uint32_t count)
{
    for (uint32_t at = 0; at < count; at += 64)
        storeBytes(out + at, _mm512_setzero_si512(), count - at);
}

// The command's bytes of 64 columns from their groups (column x of group g
// in byte x of column[g]); only the first outBytes are written.
template <uint32_t Groups>
WIDE_STEP void weaveColumns(const __m512i (&column)[Groups], unsigned char* out, uint32_t outBytes)
{
    if constexpr (Groups == 1) {
        storeBytes(out, column[0], outBytes);
    } else {
        const Weave& weave = kWeaveTables.forGroups[Groups];
        __m512i woven[Groups];
        UNROLL_FULLY
        for (uint32_t o = 0; o < Groups; ++o) {
            woven[o] = _mm512_setzero_si512();
            UNROLL_FULLY
            for (uint32_t pair = 0; 2 * pair < Groups; ++pair) {
                const __m512i index = _mm512_loadu_si512(weave.index[o][pair]);
                // The last group of an odd count has no partner: a one-table
                // permute does (its indexes are all below 64).
                const __m512i bytes =
                    2 * pair + 1 < Groups
                        ? _mm512_maskz_permutex2var_epi8(weave.mask[o][pair], column[2 * pair], index,
                                                         column[2 * pair + 1])
                        : _mm512_maskz_permutexvar_epi8(weave.mask[o][pair], index, column[2 * pair]);
                woven[o] = _mm512_or_si512(woven[o], bytes);
            }
        }
        UNROLL_FULLY
        for (uint32_t o = 0; o < Groups; ++o)
            if (64 * o < outBytes)
                storeBytes(out + 64 * o, woven[o], outBytes - 64 * o);
    }
}

template <uint32_t Groups>
WIDE_TARGET void transposeWideGroups(const unsigned char* band, uint32_t widthDots, uint32_t filled,
                                     unsigned char* columns, DotEnds* ends)
{
    const uint32_t lineBytes = (widthDots + 7) / 8;
    for (uint32_t at = 0; at < widthDots; at += 512) {
        Stretch stretch;
        stretch.dots = widthDots - at < 512 ? widthDots - at : 512;
        const uint32_t bytes = (stretch.dots + 7) / 8;
        stretch.load = bytes == 64 ? ~__mmask64{0} : (__mmask64{1} << bytes) - 1;
        // Bits past the last column are not dots.
        const uint32_t tailDots = stretch.dots % 8;
        stretch.keep = _mm512_mask_set1_epi8(_mm512_set1_epi8(-1), __mmask64{1} << (bytes - 1),
                                             static_cast<char>(tailDots == 0 ? 0xFF : 0xFF00 >> tailDots));

        // column[c][g]: columns 64c to 64c + 63 of the stretch, group g.
        __m512i column[8][Groups];
        __mmask64 dotBytes = 0; // bit i: byte column i of the stretch has a dot
        UNROLL_FULLY
        for (uint32_t g = 0; g < Groups; ++g) {
            const uint32_t top = 8 * g;
            const uint32_t present = filled > top ? filled - top : 0;
            dotBytes |= transposeGroup<Groups>(band + static_cast<size_t>(top) * lineBytes + at / 8, lineBytes,
                                               present, stretch, g, column);
        }
        noteDots(ends, lineBytes, at / 8, dotBytes);
        unsigned char* out = columns + static_cast<size_t>(at) * Groups;
        for (uint32_t c = 0; 64 * c < stretch.dots; ++c) {
            const uint32_t dots = stretch.dots - 64 * c < 64 ? stretch.dots - 64 * c : 64;
            // Blank columns (the margins, most often) need no weaving.
            if (((dotBytes >> (8 * c)) & 0xFF) == 0)
                storeZeros(out + static_cast<size_t>(64 * c) * Groups, dots * Groups);
            else
                weaveColumns<Groups>(column[c], out + static_cast<size_t>(64 * c) * Groups, dots * Groups);
        }
    }
}

// The band height decides the layout: each count of bytes a column has its
// own code, with every small loop laid out flat.
WIDE_TARGET int transposeWide(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t count,
                              unsigned char* columns, uint32_t* first, uint32_t* last)
{
    const uint32_t filled = count < rows ? count : rows;
    const uint32_t lineBytes = (widthDots + 7) / 8;
    DotEnds ends = {lineBytes, 0};
    switch ((rows + 7) / 8) {
    case 1: transposeWideGroups<1>(band, widthDots, filled, columns, &ends); break;
    case 2: transposeWideGroups<2>(band, widthDots, filled, columns, &ends); break;
    case 3: transposeWideGroups<3>(band, widthDots, filled, columns, &ends); break;
    case 4: transposeWideGroups<4>(band, widthDots, filled, columns, &ends); break;
    case 5: transposeWideGroups<5>(band, widthDots, filled, columns, &ends); break;
    case 6: transposeWideGroups<6>(band, widthDots, filled, columns, &ends); break;
    case 7: transposeWideGroups<7>(band, widthDots, filled, columns, &ends); break;
    default: transposeWideGroups<8>(band, widthDots, filled, columns, &ends); break;
    }
    if (ends.firstByte == lineBytes)
        return 0;
    // The leftmost dot of a byte column is its highest bit; the rightmost,
    // its lowest.
    const unsigned firstBits = byteColumn(band, widthDots, filled, ends.firstByte);
    const unsigned lastBits = byteColumn(band, widthDots, filled, ends.lastByte);
    *first = 8 * ends.firstByte + static_cast<uint32_t>(__builtin_clz(firstBits)) - 24;
    *last = 8 * ends.lastByte + 7 - static_cast<uint32_t>(__builtin_ctz(lastBits));
    return 1;
}

} // namespace

bool wideTransposeAvailable()
{
    return cpuHasAvx512Gfni() != 0;
}

int transposeWideColumns(const unsigned char* band, uint32_t widthDots, uint32_t rows, uint32_t count,
                         unsigned char* columns, uint32_t* first, uint32_t* last)
{
    if (rows == 0 || rows > kWideMaxRows)
        return -1;
    return transposeWide(band, widthDots, rows, count, columns, first, last);
}

#else

bool wideTransposeAvailable()
{
    return false;
}

int transposeWideColumns(const unsigned char*, uint32_t, uint32_t, uint32_t, unsigned char*, uint32_t*, uint32_t*)
{
    return -1;
}

#endif

} // namespace impact
