// The decoder on hand-built streams, for what the filter's own streams do
// not show (the roundtrip and job tests decode those command by command and
// dot for dot): every mode it knows, NUL runs, pages and the job end; and broken streams, reported at the
// offending command's offset with everything before it still decoded.
#include <gtest/gtest.h>

#include "decoded.h"

namespace {

DecodedStream decodeOk(const StreamBytes& s, int pins = 24)
{
    const DecodedStream d = decodeBytes(s.bytes, pins);
    EXPECT_FALSE(d.failed) << d.error;
    return d;
}

DecodedStream decodeCut(const StreamBytes& s, size_t size)
{
    PrinterClass p;
    printerClassForPins(24, &p);
    DecodedStream d;
    EXPECT_EQ(decodeStream(s.bytes.data(), size, p, &d), 1);
    return d;
}

} // namespace

TEST(Decode, BitImageModesGiveTheirGeometry)
{
    const struct { int mode; uint32_t bytesPerColumn, dots, rowPitch, density; } cases[] = {
        {0, 1, 8, 30, 60},   {5, 1, 8, 30, 72},   {7, 1, 8, 30, 144},  {32, 3, 24, 12, 60},
        {35, 3, 24, 12, 240}, {37, 3, 24, 12, 180}, {38, 3, 24, 12, 90}, {40, 3, 24, 12, 360},
        {64, 6, 48, 6, 60},  {70, 6, 48, 6, 90},  {73, 6, 48, 6, 360},
    };
    for (const auto& c : cases) {
        BitImageMode m;
        ASSERT_EQ(lookupBitImageMode(static_cast<uint8_t>(c.mode), &m), 1) << c.mode;
        EXPECT_EQ((std::vector<uint32_t>{m.bytesPerColumn, m.dotsPerColumn, m.rowPitch, m.density}),
                  (std::vector<uint32_t>{c.bytesPerColumn, c.dots, c.rowPitch, c.density})) << c.mode;
    }
}

TEST(Decode, NulRunsPagesAndTheJobEnd)
{
    StreamBytes s;
    s.add({0x00, 0x00});
    s.addPacketExit(); // the run before the block keeps only its own NULs
    s.add({0x1B, '@'});
    s.add({0x1B, '*', 39, 1, 0, 0xFF, 0xFF});
    for (int i = 0; i < 1 + 16; ++i) // a cancelled band: data completed with a NUL, then 16 more
        s.bytes.push_back(0);
    s.add({0x0C});
    s.add({0x1B, '@'});
    s.add({0x0D});
    s.add({0x00, 0x00, 0x00, 0x00, 0x00});
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.commands.size(), 9u);
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_EQ(d.commands[0].args[0], 2u);
    EXPECT_EQ(d.commands[1].offset, 2u);
    EXPECT_EQ(d.commands[4].kind, CommandKind::Nul);
    EXPECT_EQ(d.commands[4].args[0], 16u);
    EXPECT_EQ(d.nulBytes, 2u + 16 + 5);
    EXPECT_EQ(d.trailingNuls, 5u);
    EXPECT_TRUE(d.jobEnd); // trailing NULs do not hide it
    EXPECT_EQ(d.pages[0].images[0].data, (std::vector<uint8_t>{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(describeCommand(d.commands[4], d), "      39  NUL       x16");
    EXPECT_EQ(d.pages[0].end, PageEnd::FormFeed);
    EXPECT_EQ(d.commands[5].page, 0);       // the form feed belongs to the page it ends
    EXPECT_EQ(d.commands.back().page, -1); // the job end is on no page
}

TEST(Decode, PageEndsAndTheJobEnd)
{
    StreamBytes s;
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F}); // at the job start: sets the length, ends nothing
    s.add({0x1B, '(', 'C', 2, 0, 0x79, 0x0F});
    s.addImage(37, {0, 0, 1}, 1);
    s.add({0x1B, 'J', 0x18});
    s.add({0x1B, '(', 'C', 2, 0, 0xF0, 0x1E}); // after printing: the roll's new form
    s.add({0x0D});
    s.add({0x1B, 0x19, 'D'});
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_EQ(d.pages[0].end, PageEnd::PageLength);
    EXPECT_EQ(d.pages[0].length, 3961u);
    EXPECT_EQ(d.pages[0].endOffset, s.starts[5]);
    EXPECT_NE(describeCommand(d.commands[4], d).find("end of page 1"), std::string::npos);
    EXPECT_EQ(describeCommand(d.commands[1], d).find("end of page"), std::string::npos);
    EXPECT_EQ(d.jobEndHandling, 'D');
    // No page until something is printed or fed; no job end without one.
    StreamBytes setup;
    setup.add({0x1B, '@'});
    setup.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    EXPECT_TRUE(decodeOk(setup).pages.empty());
    setup.add({0x1B, 'J', 1});
    EXPECT_EQ(decodeOk(setup).pages.at(0).end, PageEnd::StreamEnd);
    EXPECT_FALSE(decodeOk(setup).jobEnd);
    StreamBytes handling; // a paper-handling command needs its carriage return before it
    handling.add({0x1B, 0x19, 'C'});
    EXPECT_FALSE(decodeOk(handling).jobEnd);
    handling.bytes.insert(handling.bytes.begin(), 0x0D);
    EXPECT_EQ(decodeOk(handling).jobEndHandling, 'C');
}

TEST(Decode, ACutInsideAnyCommandIsTruncationAtItsStart)
{
    StreamBytes s; // every command of fixed length
    for (const auto& piece : std::vector<std::vector<int>>{{0x1B, '@'}, {0x0D}, {0x1B, 'P'}, {0x1C, 'x', 0}, {0x1B, 'U', 0},
                                                          {0x1B, '(', 'U', 1, 0, 10}, {0x1B, '(', 'C', 2, 0, 0x78, 0x0F},
                                                          {0x1B, '(', 'c', 4, 0, 1, 0, 2, 0}, {0x1B, 'J', 24}, {0x1B, '$', 0x10, 0x00}})
        s.add(piece);
    s.addImage(39, std::vector<uint8_t>(4 * 3, 0x55), 4);
    s.addImage(73, std::vector<uint8_t>(2 * 6, 0xAA), 2);
    s.addImage(5, std::vector<uint8_t>(3, 0x01), 3);
    s.add({0x0C});
    s.add({0x1B, 0x19, 'C'});
    size_t piece = 0;
    for (size_t cut = 1; cut < s.bytes.size(); ++cut) {
        while (piece + 1 < s.starts.size() && s.starts[piece + 1] <= cut)
            ++piece;
        PrinterClass p;
        printerClassForPins(24, &p);
        DecodedStream d;
        const int status = decodeStream(s.bytes.data(), cut, p, &d);
        EXPECT_EQ(d.commands.size(), piece) << "cut " << cut; // the commands before it are kept
        if (s.starts[piece] == cut) {
            EXPECT_EQ(status, 0) << "cut at a command boundary " << cut << ": " << d.error;
            continue;
        }
        ASSERT_EQ(status, 1) << "cut " << cut;
        EXPECT_EQ(d.errorOffset, s.starts[piece]) << "cut " << cut;
        EXPECT_EQ(d.error.rfind("truncated ", 0), 0u) << d.error;
    }
    StreamBytes m;
    m.add({0x1B, '@'});
    m.addImage(39, std::vector<uint8_t>(24 * 3, 0xFF), 24);
    m.add({0x1C, 'x', 1});
    StreamBytes exit;
    exit.addPacketExit();
    StreamBytes length;
    length.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    const struct { const StreamBytes* s; size_t size; const char* message; } messages[] = {
        {&m, 17, "offset 2: truncated bit image (needs 72 bytes, 10 left)"},
        {&m, 5, "offset 2: truncated ESC * bit image header (needs 5 bytes, 3 left)"},
        {&m, 3, "offset 2: truncated ESC command (needs 2 bytes, 1 left)"},
        {&m, 2 + 77 + 1, "offset 79: truncated FS command (needs 2 bytes, 1 left)"},
        {&length, 6, "offset 0: truncated ESC ( C page length command (needs 7 bytes, 6 left)"},
        {&exit, 10, "offset 0: truncated packet-mode exit block (needs 27 bytes, 10 left)"},
        {&exit, 4, "offset 3: truncated ESC command (needs 2 bytes, 1 left)"}, // three NULs, then a lone ESC
    };
    for (const auto& c : messages)
        EXPECT_EQ(describeError(decodeCut(*c.s, c.size)), c.message);
}

TEST(Decode, UnknownBytesAndCommandsAtTheirOffsets)
{
    const struct { std::vector<uint8_t> tail; const char* message; } cases[] = {
        {{0x41}, "unknown byte 0x41"},
        {{0x0A}, "unknown byte 0x0A"},
        {{0x1B, 'Z'}, "unknown command ESC 0x5A"},
        {{0x1C, 'y', 1}, "unknown command FS 0x79"},
        {{0x1B, '(', 'X', 1, 0, 0}, "unknown command ESC ( 0x58"},
        {{0x1B, '*', 8, 1, 0, 0}, "unknown bit image mode 8"},
        {{0x1B, '*', 36, 1, 0, 0, 0, 0}, "unknown bit image mode 36"},
        {{0x1B, '(', 'C', 3, 0, 0, 0, 0}, "ESC ( C page length command with parameter length 3 (takes 2)"},
        {{0x1B, 0x01, '@', 'Z', 'R', 'Q'}, "unknown command ESC 0x01 (not the packet-mode exit text)"},
    };
    for (const auto& c : cases) {
        StreamBytes s;
        s.add({0x1B, '@'});
        s.add({0x1B, 'J', 2});
        s.addImage(39, {0x80, 0, 0}, 1);
        const size_t at = s.bytes.size();
        s.bytes.insert(s.bytes.end(), c.tail.begin(), c.tail.end());
        s.add({0x0C});
        const DecodedStream d = decodeCut(s, s.bytes.size());
        EXPECT_EQ(d.errorOffset, at) << c.message;
        EXPECT_EQ(d.error, c.message);
        EXPECT_EQ(d.commands.size(), 3u) << c.message;
        // The page open at the error keeps what was printed on it.
        ASSERT_EQ(d.pages.size(), 1u) << c.message;
        EXPECT_EQ(d.pages[0].images.size(), 1u) << c.message;
        EXPECT_FALSE(d.jobEnd);
    }
    PrinterClass p;
    printerClassForPins(24, &p);
    DecodedStream d;
    EXPECT_EQ(decodeStream(nullptr, 4, p, &d), 22);
    EXPECT_EQ(decodeStream(nullptr, 0, p, &d), 0);
    EXPECT_EQ(decodeStream(nullptr, 0, p, nullptr), 22);
}
