// The fast band paths against the plainest code that could do their job:
// the column layout of a band, each way the processor may take, against a
// transpose done one bit at a time, and the blank-line scans against a look
// at every byte. Random bands of every
// band height, of widths on and off whole bytes, with dots in the first and
// last columns and stray bits past the last column.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>

#include "printer/band_assembly.h"
#include "printer/band_transpose.h"
#include "printer/blank_scan.h"
#include "test_band.h"

namespace {

// The column layout written bit by bit; first and last printed column, -1 for none.
std::vector<unsigned char> referenceColumns(const Band& band, uint32_t lines, int* first, int* last)
{
    const uint32_t per = (band.rows + 7) / 8;
    std::vector<unsigned char> columns(static_cast<size_t>(band.width) * per, 0);
    *first = *last = -1;
    for (uint32_t x = 0; x < band.width; ++x)
        for (uint32_t r = 0; r < band.rows && r < lines; ++r)
            if (band.hasDot(x, r)) {
                columns[x * per + r / 8] |= static_cast<unsigned char>(0x80 >> (r % 8));
                *first = *first < 0 ? static_cast<int>(x) : *first;
                *last = static_cast<int>(x);
            }
    return columns;
}

// Empty, full, sparse, half and dense random dots; strokes as glyphs make;
// dots at the edges only; stray bits past the last column; one dot.
const char* const kPatterns[] = {"0", "100", "1", "50", "90", "text", "edges", "padding", "one"};

Band makeBand(uint32_t width, uint32_t rows, const std::string& pattern, std::mt19937* random)
{
    Band band(width, rows);
    auto next = [random](uint32_t bound) { return static_cast<uint32_t>((*random)() % bound); };
    const bool percent = std::isdigit(static_cast<unsigned char>(pattern[0]));
    const uint32_t fill = percent ? static_cast<uint32_t>(std::stoi(pattern)) : pattern == "padding" ? 5 : 0;
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (fill != 0 && next(100) < fill)
                band.dot(x, y);
    if (pattern == "text")
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t x = next(12); x < width; x += 1 + next(12))
                for (uint32_t run = 1 + next(4); run > 0 && x < width; --run, ++x)
                    band.dot(x, y);
    if (pattern == "edges" || pattern == "padding") {
        for (uint32_t y = 0; y < rows && pattern == "edges"; ++y) {
            if (next(2))
                band.dot(0, y);
            if (next(2))
                band.dot(width - 1, y);
        }
        band.dot(0, rows - 1);
        band.dot(width - 1, 0);
    }
    if (pattern == "padding") // set bits past the last column are not dots
        for (uint32_t y = 0; y < rows; ++y)
            band.bits[y * band.lineBytes() + band.lineBytes() - 1] |= static_cast<unsigned char>(0xFF >> (width % 8 == 0 ? 8 : width % 8));
    if (pattern == "one")
        band.dot(next(width), next(rows));
    return band;
}

std::string describe(const Band& band, const std::string& pattern, uint32_t lines)
{
    return std::to_string(band.width) + "x" + std::to_string(band.rows) + " " + pattern + " lines " + std::to_string(lines);
}

using Transpose = int (*)(const unsigned char*, uint32_t, uint32_t, uint32_t, unsigned char*, uint32_t*, uint32_t*);

} // namespace

TEST(TransposeBand, EveryWayMatchesTheBitByBitLayout)
{
    // Every width to 20 bytes, then widths around byte and 16-byte steps,
    // the usual printable widths and the widest.
    std::vector<uint32_t> widths;
    for (uint32_t w = 1; w <= 160; ++w)
        widths.push_back(w);
    for (uint32_t w : {200u, 255u, 256u, 257u, 383u, 384u, 385u, 1000u, 1397u, 1488u, 2880u, 4095u, 4096u, 8191u})
        widths.push_back(w);
    std::vector<Transpose> ways = {transposeBand, transposeBandPortable};
    if (wideTransposeAvailable())
        ways.push_back(transposeBandWide);
    else
        std::printf("this processor lacks AVX-512 VBMI or GFNI: the wide way is not tried\n");
    for (Transpose transpose : ways) {
        std::mt19937 random(12345);
        // The printers' band heights, and heights of two and eight bytes a column.
        for (uint32_t rows : {8u, 24u, 48u, 16u, 64u})
            for (uint32_t width : widths)
                for (const char* pattern : kPatterns) {
                    const Band band = makeBand(width, rows, pattern, &random);
                    // All rows, and some of them (rows past `lines` are blank whatever they hold).
                    for (uint32_t lines : {rows, 1 + static_cast<uint32_t>(random() % rows)}) {
                        int first, last;
                        const std::vector<unsigned char> expected = referenceColumns(band, lines, &first, &last);
                        std::vector<unsigned char> got(expected.size() + 64, 0xA5); // every byte is written
                        uint32_t gotFirst = 0, gotLast = 0;
                        const int any = transpose(band.bits.data(), width, rows, lines, got.data(), &gotFirst, &gotLast);
                        ASSERT_EQ(any, first >= 0) << describe(band, pattern, lines);
                        ASSERT_EQ(std::vector<unsigned char>(got.end() - 64, got.end()), std::vector<unsigned char>(64, 0xA5))
                            << "written past the columns: " << describe(band, pattern, lines);
                        got.resize(expected.size());
                        ASSERT_EQ(got, expected) << describe(band, pattern, lines);
                        if (any) {
                            ASSERT_EQ(gotFirst, static_cast<uint32_t>(first)) << describe(band, pattern, lines);
                            ASSERT_EQ(gotLast, static_cast<uint32_t>(last)) << describe(band, pattern, lines);
                        }
                    }
                }
    }
}

TEST(BlankScan, FindsTheFirstDotWhereverItIsAndNothingOutside)
{
    using Scan = size_t (*)(const unsigned char*, size_t);
    std::vector<unsigned char> bytes(1400, 0);
    // Lengths around the 64- and 256-byte steps of the wide scan, starting
    // anywhere within a vector.
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n)
        lengths.push_back(n);
    for (size_t n : {511u, 512u, 513u, 1024u, 1300u})
        lengths.push_back(n);
    for (Scan scan : {Scan{firstNonZeroByte}, Scan{firstNonZeroBytePortable}, Scan{nullptr}}) {
        for (size_t offset : {0u, 1u, 7u, 63u}) {
            unsigned char* at = bytes.data() + offset;
            for (size_t count : lengths) {
                // isBlank as well: the engine's question for a whole line.
                auto first = [&]() { return scan ? scan(at, count) : isBlank(at, static_cast<uint32_t>(count)) ? count : 0; };
                at[-static_cast<long>(offset != 0)] = offset != 0 ? 0xFF : 0;
                at[count] = 0x01; // dots outside the bytes looked at are not found
                ASSERT_EQ(first(), count) << "length " << count;
                for (size_t dot = 0; dot < count; dot += (count > 300 ? 37 : 1)) {
                    at[dot] = static_cast<unsigned char>(0x80 >> (dot % 8));
                    at[count - 1 - (count - 1 - dot) / 2] |= 0x40; // a later dot does not matter
                    ASSERT_EQ(first(), scan ? dot : 0) << "length " << count << " dot " << dot;
                    at[dot] = 0;
                    at[count - 1 - (count - 1 - dot) / 2] = 0;
                }
                at[count] = 0;
                at[-static_cast<long>(offset != 0)] = 0;
            }
        }
    }
    EXPECT_EQ(isBlank(nullptr, 10), 1);
}
