// The decoder on broken streams: a stream cut inside any command, and
// bytes or commands the printers do not know, are reported at the
// command's offset; what came before is still decoded.
#include <gtest/gtest.h>

#include "impact_decode.h"
#include "stream_bytes.h"

namespace {

DecodedStream decodeFailing(const std::vector<uint8_t>& bytes, size_t size)
{
    DecodedStream d;
    PrinterClass p;
    printerClassForPins(24, &p);
    EXPECT_EQ(decodeStream(bytes.data(), size, p, &d), 1);
    EXPECT_TRUE(d.failed);
    return d;
}

// A stream of every multi-byte command (no NULs, whose runs have no fixed
// length).
StreamBytes everyCommand()
{
    StreamBytes s;
    s.add({0x1B, '@'});
    s.add({0x0D});
    s.add({0x1B, 'P'});
    s.add({0x1C, 'x', 0});
    s.add({0x1B, 'U', 0});
    s.add({0x1B, '(', 'U', 1, 0, 10});
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    s.add({0x1B, '(', 'c', 4, 0, 1, 0, 2, 0});
    s.add({0x1B, 'J', 24});
    s.add({0x1B, '$', 0x10, 0x00});
    s.addImage(39, std::vector<uint8_t>(4 * 3, 0x55), 4);
    s.addImage(73, std::vector<uint8_t>(2 * 6, 0xAA), 2);
    s.addImage(5, std::vector<uint8_t>(3, 0x01), 3);
    s.add({0x0D});
    s.add({0x0C});
    s.add({0x1B, 0x19, 'C'});
    return s;
}

TEST(DecodeErrors, CutInsideAnyCommandIsTruncationAtItsStart)
{
    const StreamBytes s = everyCommand();
    PrinterClass p;
    printerClassForPins(24, &p);
    size_t piece = 0;
    for (size_t cut = 1; cut < s.bytes.size(); ++cut) {
        while (piece + 1 < s.starts.size() && s.starts[piece + 1] <= cut)
            ++piece;
        DecodedStream d;
        const int status = decodeStream(s.bytes.data(), cut, p, &d);
        if (s.starts[piece] == cut) {
            EXPECT_EQ(status, 0) << "cut at a command boundary " << cut << ": " << d.error;
            EXPECT_EQ(d.commands.size(), piece);
            continue;
        }
        ASSERT_EQ(status, 1) << "cut " << cut;
        EXPECT_EQ(d.errorOffset, s.starts[piece]) << "cut " << cut;
        EXPECT_EQ(d.error.rfind("truncated ", 0), 0u) << d.error;
        EXPECT_EQ(d.commands.size(), piece) << "cut " << cut; // the commands before it are kept
    }
}

TEST(DecodeErrors, TruncationMessagesSayWhatIsMissing)
{
    StreamBytes s;
    s.add({0x1B, '@'});
    s.addImage(39, std::vector<uint8_t>(24 * 3, 0xFF), 24);
    DecodedStream d = decodeFailing(s.bytes, 2 + 5 + 10);
    EXPECT_EQ(describeError(d), "offset 2: truncated bit image (needs 72 bytes, 10 left)");
    // The lone command before the image is still listed; the image is not.
    EXPECT_EQ(d.commands.size(), 1u);

    d = decodeFailing(s.bytes, 2 + 3);
    EXPECT_EQ(describeError(d), "offset 2: truncated ESC * bit image header (needs 5 bytes, 3 left)");
    d = decodeFailing(s.bytes, 3);
    EXPECT_EQ(describeError(d), "offset 2: truncated ESC command (needs 2 bytes, 1 left)");

    StreamBytes c;
    c.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    d = decodeFailing(c.bytes, 6);
    EXPECT_EQ(describeError(d), "offset 0: truncated ESC ( C page length command (needs 7 bytes, 6 left)");

    StreamBytes f;
    f.add({0x0D});
    f.add({0x1C, 'x', 1});
    d = decodeFailing(f.bytes, 2);
    EXPECT_EQ(describeError(d), "offset 1: truncated FS command (needs 2 bytes, 1 left)");
}

TEST(DecodeErrors, PacketModeExitBlockCutShort)
{
    StreamBytes s;
    s.addPacketExit();
    s.add({0x1B, '@'});
    DecodedStream d = decodeFailing(s.bytes, 10);
    EXPECT_EQ(describeError(d), "offset 0: truncated packet-mode exit block (needs 27 bytes, 10 left)");
    d = decodeFailing(s.bytes, 26);
    EXPECT_EQ(d.errorOffset, 0u);
    // Three NULs and a lone ESC: the NULs are a run, the ESC is cut.
    d = decodeFailing(s.bytes, 4);
    ASSERT_EQ(d.commands.size(), 1u);
    EXPECT_EQ(d.commands[0].kind, CommandKind::Nul);
    EXPECT_EQ(d.errorOffset, 3u);
}

TEST(DecodeErrors, UnknownBytesAndCommandsAtTheirOffsets)
{
    struct Case {
        std::vector<uint8_t> tail;
        const char* message;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        StreamBytes s;
        s.add({0x1B, '@'});
        s.add({0x1B, 'J', 2});
        s.addImage(39, {0x80, 0, 0}, 1);
        const size_t at = s.bytes.size();
        s.bytes.insert(s.bytes.end(), c.tail.begin(), c.tail.end());
        s.add({0x0C});
        const DecodedStream d = decodeFailing(s.bytes, s.bytes.size());
        EXPECT_EQ(d.errorOffset, at);
        EXPECT_EQ(d.error, c.message);
        EXPECT_EQ(d.commands.size(), 3u);
        // The page open at the error keeps what was printed on it.
        ASSERT_EQ(d.pages.size(), 1u);
        EXPECT_EQ(d.pages[0].images.size(), 1u);
        EXPECT_EQ(d.pages[0].end, PageEnd::StreamEnd);
        EXPECT_FALSE(d.jobEnd);
    }
}

TEST(DecodeErrors, NullInput)
{
    PrinterClass p;
    printerClassForPins(24, &p);
    DecodedStream d;
    EXPECT_EQ(decodeStream(nullptr, 4, p, &d), 22);
    EXPECT_EQ(decodeStream(nullptr, 0, p, &d), 0);
    EXPECT_EQ(decodeStream(nullptr, 0, p, nullptr), 22);
}

} // namespace
