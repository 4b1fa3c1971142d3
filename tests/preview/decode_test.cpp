// What impact-preview says of a broken stream: the offending command's offset and fault.
#include <gtest/gtest.h>

#include "capture_stream.h"
#include "decoded.h"
#include "test_files.h"

TEST(Decode, BrokenStreamsNameTheOffendingCommand)
{
    const struct { std::vector<unsigned char> tail; const char* message; } cases[] = {
        {bytesOf({0x1B, '*', 39, 24, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), "truncated bit image (needs 72 bytes, 10 left)"},
        {bytesOf({0x1B, '*', 39}), "truncated ESC * bit image header (needs 5 bytes, 3 left)"},
        {bytesOf({0x1B}), "truncated ESC command (needs 2 bytes, 1 left)"},
        {bytesOf({0x1C}), "truncated FS command (needs 2 bytes, 1 left)"},
        {bytesOf({0x1B, '(', 'C', 2, 0, 0x78}), "truncated ESC ( C page length command (needs 7 bytes, 6 left)"},
        {bytesOf({0, 0, 0, 0x1B, 1, '@', 'Z', 'R', 'P', ' '}), "truncated packet-mode exit block (needs 27 bytes, 10 left)"},
        {bytesOf({0x07}), "unknown byte 0x07"},
        {bytesOf({0x7F}), "unknown byte 0x7F"},
        {bytesOf({0x1B, 'Z'}), "unknown command ESC 0x5A"},
        {bytesOf({0x1C, 'y', 1}), "unknown command FS 0x79"},
        {bytesOf({0x1B, '(', 'X', 1, 0, 0}), "unknown command ESC ( 0x58"},
        {bytesOf({0x1B, '*', 8, 1, 0, 0}), "unknown bit image mode 8"},
        {bytesOf({0x1B, '(', 'C', 3, 0, 0, 0, 0}), "ESC ( C page length command with parameter length 3 (takes 2)"},
        {bytesOf({0x1B, 0x01, '@', 'Z', 'R', 'Q'}), "unknown command ESC 0x01 (not the packet-mode exit text)"},
    };
    for (const auto& c : cases) { // after a reset and a one-column band
        const DecodedStream d = decodeBytes(concat(bytesOf({0x1B, '@', 0x1B, '*', 39, 1, 0, 0x80, 0, 0}), c.tail));
        EXPECT_EQ(describeError(d), std::string("offset 10: ") + c.message);
    }
}
