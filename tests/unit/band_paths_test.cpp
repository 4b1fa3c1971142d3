// The fast band paths against the plainest code: every column transpose against one done
// bit by bit, the blank-line scans against a look at every byte.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>

#include "engine/bands/band_assembly.h"
#include "engine/bands/band_transpose.h"
#include "engine/bands/blank_scan.h"
#include "test_band.h"

using namespace impact;

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
// dots at the edges only; 5% with stray bits past the last column; one dot.
const char* const kPatterns[] = {"0", "100", "1", "50", "90", "text", "edges", "padding", "one"};

Band makeBand(uint32_t width, uint32_t rows, const std::string& pattern, std::mt19937* random)
{
    Band band(width, rows);
    auto next = [random](uint32_t bound) { return static_cast<uint32_t>((*random)() % bound); };
    const bool percent = std::isdigit(static_cast<unsigned char>(pattern[0]));
    const uint32_t fill = percent ? static_cast<uint32_t>(std::stoi(pattern)) : pattern == "padding" ? 5 : 0;
    for (uint32_t y = 0; y < rows; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            if (fill != 0 && next(100) < fill)
                band.dot(x, y);
        if (pattern == "text")
            for (uint32_t x = next(12); x < width; x += 1 + next(12))
                for (uint32_t run = 1 + next(4); run > 0 && x < width; --run, ++x)
                    band.dot(x, y);
        for (uint32_t x : {0u, width - 1})
            if (pattern == "edges" && next(2))
                band.dot(x, y);
        if (pattern == "padding") // set bits past the last column are not dots
            band.bits[(y + 1) * band.lineBytes() - 1] |= static_cast<unsigned char>(0xFF >> (width % 8 == 0 ? 8 : width % 8));
    }
    if (pattern == "edges" || pattern == "padding") {
        band.dot(0, rows - 1);
        band.dot(width - 1, 0);
    }
    if (pattern == "one")
        band.dot(next(width), next(rows));
    return band;
}

using Transpose = bool (*)(const unsigned char*, uint32_t, uint32_t, uint32_t, unsigned char*, uint32_t*, uint32_t*);

} // namespace

TEST(TransposeBand, EveryWayMatchesTheBitByBitLayout)
{
    // Every width to 20 bytes, then widths around byte and 16-byte steps,
    // the usual printable widths and the widest.
    std::vector<uint32_t> widths = {200, 255, 256, 257, 383, 384, 385, 1000, 1397, 1488, 2880, 4095, 4096, 8191};
    for (uint32_t w = 1; w <= 160; ++w)
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
                        const std::string what = std::to_string(width) + "x" + std::to_string(rows) + " " + pattern +
                                                 " lines " + std::to_string(lines);
                        int first, last;
                        std::vector<unsigned char> expected = referenceColumns(band, lines, &first, &last);
                        std::vector<unsigned char> got(expected.size() + 64, 0xA5); // every byte written, none past
                        expected.resize(got.size(), 0xA5);
                        uint32_t gotFirst = 0, gotLast = 0;
                        const bool any = transpose(band.bits.data(), width, rows, lines, got.data(), &gotFirst, &gotLast);
                        ASSERT_EQ(any, first >= 0) << what;
                        ASSERT_EQ(got, expected) << what;
                        ASSERT_TRUE(!any || (gotFirst == static_cast<uint32_t>(first) && gotLast == static_cast<uint32_t>(last)))
                            << what << ": columns " << gotFirst << " to " << gotLast;
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
    std::vector<size_t> lengths = {511, 512, 513, 1024, 1300};
    for (size_t n = 0; n <= 300; ++n)
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
    EXPECT_TRUE(isBlank(nullptr, 10));
}
