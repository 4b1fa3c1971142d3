// The fast band paths against the plainest code that could do their job:
// the column layout of a band (transposeBand) and the whole bit-image
// command (renderBand) against a transpose done one bit at a time, and the
// blank-line test against one that looks at every byte. Many random bands
// of every band height, of widths on and off whole bytes, with dots in the
// first and last columns and stray bits past the last column.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "capture_stream.h"
#include "test_band.h"
#include "filter/band_assembly.h"
#include "filter/blank_scan.h"
#include "printer/band_output.h"
#include "printer/graphics_modes.h"
#include "printer/unit_scaling.h"

namespace {

// The column layout written bit by bit, the plainest way there is.
std::vector<unsigned char> referenceColumns(const Band& band, uint32_t lines, int* first, int* last)
{
    const uint32_t per = (band.rows + 7) / 8;
    std::vector<unsigned char> columns(static_cast<size_t>(band.width) * per, 0);
    *first = -1;
    *last = -1;
    for (uint32_t x = 0; x < band.width; ++x)
        for (uint32_t r = 0; r < band.rows && r < lines; ++r)
            if (band.hasDot(x, r)) {
                columns[x * per + r / 8] |= static_cast<unsigned char>(0x80 >> (r % 8));
                if (*first < 0)
                    *first = static_cast<int>(x);
                *last = static_cast<int>(x);
            }
    return columns;
}

enum class Pattern { Empty, Full, Sparse, Half, Dense, TextRuns, EdgesOnly, PaddingBits, OneDot };
const Pattern kPatterns[] = {Pattern::Empty,     Pattern::Full,      Pattern::Sparse,
                             Pattern::Half,      Pattern::Dense,     Pattern::TextRuns,
                             Pattern::EdgesOnly, Pattern::PaddingBits, Pattern::OneDot};

Band makeBand(uint32_t width, uint32_t rows, Pattern pattern, std::mt19937* random)
{
    Band band(width, rows);
    auto percent = [&](uint32_t p) {
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t x = 0; x < width; ++x)
                if ((*random)() % 100 < p)
                    band.dot(x, y);
    };
    switch (pattern) {
    case Pattern::Empty:
        break;
    case Pattern::Full:
        percent(100);
        break;
    case Pattern::Sparse:
        percent(1);
        break;
    case Pattern::Half:
        percent(50);
        break;
    case Pattern::Dense:
        percent(90);
        break;
    case Pattern::TextRuns: // strokes a few dots long with gaps, as glyphs make
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t x = (*random)() % 12; x < width; x += 1 + (*random)() % 12)
                for (uint32_t run = 1 + (*random)() % 4; run > 0 && x < width; --run, ++x)
                    band.dot(x, y);
        break;
    case Pattern::EdgesOnly:
        for (uint32_t y = 0; y < rows; ++y) {
            if ((*random)() % 2)
                band.dot(0, y);
            if ((*random)() % 2)
                band.dot(width - 1, y);
        }
        band.dot(0, rows - 1);
        band.dot(width - 1, 0);
        break;
    case Pattern::PaddingBits: // set bits past the last column are not dots
        percent(5);
        band.dot(0, rows - 1);
        band.dot(width - 1, 0);
        for (uint32_t y = 0; y < rows; ++y)
            band.bits[y * band.lineBytes() + band.lineBytes() - 1] |=
                static_cast<unsigned char>(0xFF >> (width % 8 == 0 ? 8 : width % 8));
        break;
    case Pattern::OneDot:
        band.dot((*random)() % width, (*random)() % rows);
        break;
    }
    return band;
}

std::string describe(const Band& band, Pattern pattern, uint32_t lines)
{
    return std::to_string(band.width) + "x" + std::to_string(band.rows) + " pattern " +
           std::to_string(static_cast<int>(pattern)) + " lines " + std::to_string(lines);
}

// Every width up to 20 bytes (narrow bands, and the first widths with a
// whole 16-byte stretch), then widths around byte and 16-byte steps, the
// printable widths of the jobs the filter usually gets, and the widest.
std::vector<uint32_t> testWidths()
{
    std::vector<uint32_t> widths;
    for (uint32_t w = 1; w <= 160; ++w)
        widths.push_back(w);
    for (uint32_t w : {200u, 255u, 256u, 257u, 383u, 384u, 385u, 1000u, 1397u, 1488u, 2880u, 4095u, 4096u, 8191u})
        widths.push_back(w);
    return widths;
}

} // namespace

using TransposeFunction = int (*)(const unsigned char*, uint32_t, uint32_t, uint32_t, unsigned char*, uint32_t*,
                                  uint32_t*);

// Every byte of the column buffer is written, so it starts full of stray
// bits here.
void expectBitByBitLayout(TransposeFunction transpose)
{
    std::mt19937 random(12345);
    // The printers' band heights, and heights of two and eight bytes a
    // column, which the fast ways take apart differently.
    const uint32_t heights[] = {8, 24, 48, 16, 64};
    for (uint32_t rows : heights) {
        for (uint32_t width : testWidths()) {
            for (Pattern pattern : kPatterns) {
                const Band band = makeBand(width, rows, pattern, &random);
                // All rows, and now and then only some of them (rows past
                // `lines` are blank whatever they hold).
                for (uint32_t lines : {rows, 1 + static_cast<uint32_t>(random() % rows)}) {
                    int first, last;
                    const std::vector<unsigned char> expected = referenceColumns(band, lines, &first, &last);
                    std::vector<unsigned char> got(expected.size() + 64, 0xA5);
                    uint32_t gotFirst = 0, gotLast = 0;
                    const int any = transpose(band.bits.data(), width, rows, lines, got.data(), &gotFirst, &gotLast);
                    ASSERT_EQ(any, first >= 0) << describe(band, pattern, lines);
                    // Nothing is written past the band's columns.
                    ASSERT_EQ(std::vector<unsigned char>(got.end() - 64, got.end()), std::vector<unsigned char>(64, 0xA5))
                        << describe(band, pattern, lines);
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
}

TEST(TransposeBand, MatchesTheBitByBitLayoutOnRandomBands)
{
    expectBitByBitLayout(transposeBand);
}

TEST(TransposeBand, PortableWayMatchesTheBitByBitLayout)
{
    expectBitByBitLayout(transposeBandPortable);
}

TEST(TransposeBand, WideWayMatchesTheBitByBitLayout)
{
    if (!wideTransposeAvailable())
        GTEST_SKIP() << "this processor lacks AVX-512 VBMI or GFNI";
    expectBitByBitLayout(transposeBandWide);
}

TEST(RenderBand, SendsTheBitByBitColumnsOfEveryBandHeight)
{
    struct Resolution {
        uint32_t rows, hdpi, vdpi;
        uint16_t positionDpi;
    };
    // A 9-pin mode and two 24-pin ones: one, three and six bytes a column.
    const Resolution resolutions[] = {{8, 120, 72, 60}, {24, 180, 180, 360}, {48, 360, 360, 360}};
    std::mt19937 random(777);
    for (const Resolution& res : resolutions) {
        uint8_t mode = 0;
        ASSERT_TRUE(findGraphicsMode(res.hdpi, res.vdpi, res.rows, 0, 0, &mode));
        for (uint32_t width : {9u, 130u, 1397u, 2881u}) {
            for (Pattern pattern : kPatterns) {
                const Band band = makeBand(width, res.rows, pattern, &random);
                int first, last;
                const std::vector<unsigned char> columns = referenceColumns(band, res.rows, &first, &last);

                // What the printer must get, put together from the bit-by-bit columns.
                std::vector<unsigned char> expected;
                if (first >= 0) {
                    const uint32_t per = (res.rows + 7) / 8;
                    const uint32_t n = static_cast<uint32_t>(last - first + 1);
                    const uint32_t position = scaleRound(static_cast<uint32_t>(first), res.hdpi, res.positionDpi);
                    expected = {0x1B, '$', static_cast<unsigned char>(position & 0xFF),
                                static_cast<unsigned char>(position >> 8), 0x1B, '*', mode,
                                static_cast<unsigned char>(n % 256), static_cast<unsigned char>(n / 256)};
                    expected.insert(expected.end(), columns.begin() + first * per, columns.begin() + (last + 1) * per);
                }
                expected.push_back(0x0D);

                unsigned char* columnBuffer = nullptr;
                uint32_t pending = 0;
                const BandJob job = {width, res.positionDpi, 0, 0, &columnBuffer, &pending, res.rows, res.hdpi,
                                     res.vdpi};
                CaptureStream capture;
                captureBegin(&capture);
                const StatusCode status = renderBand(&job, static_cast<uint16_t>(res.rows), band.bits.data());
                captureEnd(&capture);
                ASSERT_EQ(status, 0) << describe(band, pattern, res.rows);
                ASSERT_EQ(hexBytes(capture.bytes), hexBytes(expected)) << describe(band, pattern, res.rows);
                EXPECT_EQ(columnBuffer, nullptr);
                EXPECT_EQ(pending, 0u);
            }
        }
    }
}

TEST(IsBlank, AgreesWithAByteByByteTestWhereverTheDotIs)
{
    std::vector<unsigned char> line(1100, 0);
    // Lines that start anywhere within a word, of every length to a few
    // words, and long ones.
    std::vector<uint32_t> lengths;
    for (uint32_t n = 0; n <= 100; ++n)
        lengths.push_back(n);
    for (uint32_t n : {175u, 186u, 350u, 1024u})
        lengths.push_back(n);
    for (uint32_t offset = 0; offset < 8; ++offset) {
        for (uint32_t count : lengths) {
            unsigned char* bytes = line.data() + offset;
            EXPECT_EQ(isBlank(bytes, count), 1) << count;
            for (uint32_t at = 0; at < count; ++at) {
                bytes[at] = static_cast<unsigned char>(1u << (at % 8));
                ASSERT_EQ(isBlank(bytes, count), 0) << "length " << count << " dot at " << at;
                bytes[at] = 0;
            }
            // A dot just outside the line is not the line's.
            bytes[count] = 0xFF;
            if (offset > 0)
                bytes[-1] = 0xFF;
            EXPECT_EQ(isBlank(bytes, count), 1) << count;
            bytes[count] = 0;
            if (offset > 0)
                bytes[-1] = 0;
        }
    }
    EXPECT_EQ(isBlank(nullptr, 10), 1);
}

TEST(FirstNonZeroByte, FindsTheFirstDotBothWays)
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
    for (Scan scan : {Scan{firstNonZeroByte}, Scan{firstNonZeroBytePortable}}) {
        for (size_t offset : {0u, 1u, 7u, 63u}) {
            unsigned char* at = bytes.data() + offset;
            for (size_t count : lengths) {
                // Dots outside the bytes looked at are not found.
                if (offset > 0)
                    at[-1] = 0xFF;
                at[count] = 0x01;
                ASSERT_EQ(scan(at, count), count) << "length " << count;
                for (size_t dot = 0; dot < count; dot += (count > 300 ? 37 : 1)) {
                    at[dot] = static_cast<unsigned char>(0x80 >> (dot % 8));
                    at[count - 1 - (count - 1 - dot) / 2] = 0x40; // a later dot does not matter
                    ASSERT_EQ(scan(at, count), dot) << "length " << count << " dot " << dot;
                    at[dot] = 0;
                    at[count - 1 - (count - 1 - dot) / 2] = 0;
                }
                at[count] = 0;
                if (offset > 0)
                    at[-1] = 0;
            }
        }
    }
}
