// The decoder on hand-built streams: every command with its arguments,
// positions in both printer classes' units, NUL runs, page ends and the
// job end.
#include <gtest/gtest.h>

#include "impact_decode.h"
#include "stream_bytes.h"

namespace {

PrinterClass pins(int n)
{
    PrinterClass p;
    EXPECT_EQ(printerClassForPins(n, &p), 0);
    return p;
}

DecodedStream decodeOk(const StreamBytes& s, int pinCount = 24)
{
    DecodedStream d;
    EXPECT_EQ(decodeStream(s.bytes.data(), s.bytes.size(), pins(pinCount), &d), 0) << d.error;
    EXPECT_FALSE(d.failed);
    return d;
}

TEST(DecodeCommands, JobStartSequenceWithEveryOption)
{
    StreamBytes s;
    s.addPacketExit();
    s.add({0x1B, '@'});
    s.add({0x0D});
    s.add({0x1B, 'P'});
    s.add({0x1C, 'x', 1});
    s.add({0x1B, 'U', 1});
    s.add({0x1B, '(', 'U', 1, 0, 10});
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});             // 3960
    s.add({0x1B, '(', 'c', 4, 0, 0xB4, 0x00, 0x48, 0x0F}); // 180, 3912
    s.add({0x0C});
    const DecodedStream d = decodeOk(s);

    const CommandKind kinds[] = {CommandKind::PacketModeExit, CommandKind::Reset,     CommandKind::CarriageReturn,
                                 CommandKind::Pitch,          CommandKind::Speed,     CommandKind::Direction,
                                 CommandKind::Unit,           CommandKind::PageLength, CommandKind::PageFormat,
                                 CommandKind::FormFeed};
    ASSERT_EQ(d.commands.size(), std::size(kinds));
    for (size_t i = 0; i < d.commands.size(); ++i) {
        EXPECT_EQ(d.commands[i].kind, kinds[i]) << i;
        EXPECT_EQ(d.commands[i].offset, s.starts[i]) << i;
    }
    EXPECT_EQ(d.commands[0].length, 27u);
    EXPECT_EQ(d.commands[0].args[0], 3u); // with its three leading NULs
    EXPECT_EQ(d.commands[4].args[0], 1u);
    EXPECT_EQ(d.commands[5].args[0], 1u);
    EXPECT_EQ(d.commands[6].args[0], 10u);
    EXPECT_EQ(d.commands[7].args[0], 3960u);
    EXPECT_EQ(d.commands[8].args[0], 180u);
    EXPECT_EQ(d.commands[8].args[1], 3912u);
    EXPECT_EQ(d.nulBytes, 0u); // the exit block's NULs are part of it

    // The form feed ends a page that holds the length and format.
    ASSERT_EQ(d.pages.size(), 1u);
    const Page& page = d.pages[0];
    EXPECT_EQ(page.end, PageEnd::FormFeed);
    EXPECT_TRUE(page.hasLength);
    EXPECT_EQ(page.length, 3960u);
    EXPECT_EQ(pageLengthUnits(page, d.printer), 11 * kUnitsPerInch);
    EXPECT_TRUE(page.hasFormat);
    EXPECT_EQ(page.top, 180u);
    EXPECT_EQ(page.bottom, 3912u);
    EXPECT_TRUE(page.images.empty());
    EXPECT_EQ(page.endOffset, s.bytes.size());
    EXPECT_FALSE(d.jobEnd);
}

// One image per mode class and density: bytes per column, dot rows, pitch.
TEST(DecodeCommands, BitImageModesGiveTheirGeometry)
{
    struct Case {
        int mode;
        uint32_t bytesPerColumn, dots, rowPitch, density;
    };
    const Case cases[] = {
        {0, 1, 8, 30, 60},     {5, 1, 8, 30, 72},     {7, 1, 8, 30, 144},    {32, 3, 24, 12, 60},
        {35, 3, 24, 12, 240},  {37, 3, 24, 12, 180},  {38, 3, 24, 12, 90},   {40, 3, 24, 12, 360},
        {64, 6, 48, 6, 60},    {70, 6, 48, 6, 90},    {73, 6, 48, 6, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        StreamBytes s;
        std::vector<uint8_t> data(3 * c.bytesPerColumn);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i + 1);
        s.addImage(c.mode, data, 3);
        s.add({0x0D});
        const DecodedStream d = decodeOk(s);
        ASSERT_EQ(d.pages.size(), 1u);
        ASSERT_EQ(d.pages[0].images.size(), 1u);
        const BitImage& im = d.pages[0].images[0];
        EXPECT_EQ(im.mode, c.mode);
        EXPECT_EQ(im.columns, 3u);
        EXPECT_EQ(im.bytesPerColumn, c.bytesPerColumn);
        EXPECT_EQ(im.dotsPerColumn, c.dots);
        EXPECT_EQ(im.rowPitch, c.rowPitch);
        EXPECT_EQ(im.density, c.density);
        EXPECT_EQ(im.columnPitch * c.density, static_cast<uint32_t>(kUnitsPerInch));
        EXPECT_EQ(im.data, data);
        EXPECT_EQ(d.commands[0].length, 5 + data.size());
        EXPECT_EQ(d.commands[1].kind, CommandKind::CarriageReturn);
        EXPECT_EQ(d.pages[0].end, PageEnd::StreamEnd);
    }
}

TEST(DecodeCommands, HeadPositionAndFeedsIn24PinUnits)
{
    StreamBytes s;
    s.add({0x1B, 'J', 24});        // 24/180 in
    s.add({0x1B, '$', 0xC8, 0x00}); // 200/360 in
    s.addImage(39, std::vector<uint8_t>(4 * 3, 0xFF), 4);
    // No position: the head is where the last image ended.
    s.addImage(40, std::vector<uint8_t>(2 * 3, 0x80), 2);
    s.add({0x0D});
    s.addImage(33, {0x80, 0x00, 0x01}, 1); // after CR: the left edge
    s.add({0x1B, 'J', 0xFF});
    s.add({0x1B, 'J', 0x5A});
    s.add({0x1B, '$', 0x01, 0x01}); // 257/360 in
    s.addImage(73, {0x80, 0, 0, 0, 0, 0x01}, 1);
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.pages.size(), 1u);
    const std::vector<BitImage>& im = d.pages[0].images;
    ASSERT_EQ(im.size(), 4u);
    EXPECT_EQ(im[0].y, 24 * 12);
    EXPECT_EQ(im[0].x, 200 * 6);
    EXPECT_EQ(im[1].y, 24 * 12);
    EXPECT_EQ(im[1].x, 200 * 6 + 4 * 12); // four 1/180 inch columns later
    EXPECT_EQ(im[2].x, 0);
    EXPECT_EQ(im[3].y, (24 + 255 + 90) * 12);
    EXPECT_EQ(im[3].x, 257 * 6);
    EXPECT_EQ(d.pages[0].fed, (24 + 255 + 90) * 12);
    EXPECT_EQ(d.commands[2].image, 0);
    EXPECT_EQ(d.commands[3].image, 1);

    // The dots at the raster's resolution: 180 dpi across, 180 down.
    std::vector<Dot> dots;
    appendImageDots(im[2], 180, 180, &dots);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[0].x, 0);
    EXPECT_EQ(dots[0].y, 24);
    EXPECT_EQ(dots[1].y, 24 + 23); // the low bit of the third byte is row 23
    dots.clear();
    appendImageDots(im[3], 360, 360, &dots);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[0].x, 257);
    EXPECT_EQ(dots[0].y, 2 * 369);
    EXPECT_EQ(dots[1].y, 2 * 369 + 47);
    EXPECT_EQ(pageDotCount(d.pages[0]), 12u * 8 + 6 + 2 + 2);
}

TEST(DecodeCommands, NinePinUnits)
{
    StreamBytes s;
    s.add({0x1B, '(', 'C', 2, 0, 0x90, 0x12}); // 4752/432 in = 11 in
    s.add({0x1B, 'J', 3});                      // 3/216 in
    s.add({0x1B, '$', 7, 0});                   // 7/60 in
    s.addImage(1, {0x81, 0x01}, 2);             // 120 dpi, rows 1/72 in apart
    s.add({0x0C});
    const DecodedStream d = decodeOk(s, 9);
    ASSERT_EQ(d.pages.size(), 1u);
    const Page& page = d.pages[0];
    EXPECT_EQ(pageLengthUnits(page, d.printer), 11 * kUnitsPerInch);
    ASSERT_EQ(page.images.size(), 1u);
    EXPECT_EQ(page.images[0].y, 30);
    EXPECT_EQ(page.images[0].x, 7 * 36);
    const std::vector<Dot> dots = pageDots(page, 120, 72);
    ASSERT_EQ(dots.size(), 3u);
    // 7/60 inch is 14 dots at 120 dpi; a feed of 3/216 inch is one 72 dpi line.
    EXPECT_EQ(dots[0].x, 14);
    EXPECT_EQ(dots[0].y, 1);
    EXPECT_EQ(dots[1].x, 14);
    EXPECT_EQ(dots[1].y, 8);
    EXPECT_EQ(dots[2].x, 15);
    EXPECT_EQ(dots[2].y, 8);
}

TEST(DecodeCommands, DotPositionsRoundToTheNearestRasterDot)
{
    EXPECT_EQ(unitsToDots(6, 180), 1);  // exactly half a dot rounds up
    EXPECT_EQ(unitsToDots(5, 180), 0);
    EXPECT_EQ(unitsToDots(17, 180), 1);
    EXPECT_EQ(unitsToDots(18, 180), 2); // 1.5 again
    EXPECT_EQ(unitsToDots(2160, 72), 72);
    EXPECT_EQ(unitsToDots(-6, 180), 0); // -0.5 rounds up too
    EXPECT_EQ(unitsToDots(-7, 180), -1);
}

TEST(DecodeCommands, NulRunsAreOneCommandEach)
{
    StreamBytes s;
    s.add({0x00, 0x00});
    s.addPacketExit(); // the run before the block keeps only its own NULs
    s.add({0x1B, '@'});
    s.add({0x1B, '*', 39, 1, 0, 0xFF, 0xFF});
    // A cancelled band: its data completed with NULs, then 16 more.
    for (int i = 0; i < 1 + 16; ++i)
        s.bytes.push_back(0);
    s.add({0x0C});
    s.add({0x1B, '@'});
    s.add({0x0D});
    s.add({0x00, 0x00, 0x00, 0x00, 0x00});
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.commands.size(), 9u);
    EXPECT_EQ(d.commands[0].kind, CommandKind::Nul);
    EXPECT_EQ(d.commands[0].args[0], 2u);
    EXPECT_EQ(d.commands[1].kind, CommandKind::PacketModeExit);
    EXPECT_EQ(d.commands[1].offset, 2u);
    // The image swallows the first NUL as its last data byte.
    EXPECT_EQ(d.commands[3].kind, CommandKind::BitImage);
    EXPECT_EQ(d.commands[4].kind, CommandKind::Nul);
    EXPECT_EQ(d.commands[4].args[0], 16u);
    EXPECT_EQ(d.commands[8].kind, CommandKind::Nul);
    EXPECT_EQ(d.commands[8].args[0], 5u);
    EXPECT_EQ(d.nulBytes, 2u + 16 + 5);
    EXPECT_EQ(d.trailingNuls, 5u);
    EXPECT_TRUE(d.jobEnd); // trailing NULs do not hide the job end
    EXPECT_EQ(d.jobEndHandling, 0);
    ASSERT_EQ(d.pages.size(), 1u);
    EXPECT_EQ(d.pages[0].images[0].data, (std::vector<uint8_t>{0xFF, 0xFF, 0x00}));
    EXPECT_NE(describeCommand(d.commands[4], d).find("NUL"), std::string::npos);
    EXPECT_NE(describeCommand(d.commands[4], d).find("x16"), std::string::npos);
}

TEST(DecodeCommands, FormFeedsSplitPagesAndFeedsStartAgain)
{
    StreamBytes s;
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    s.add({0x1B, 'J', 10});
    s.addImage(39, {0x80, 0, 0}, 1);
    s.add({0x0D});
    s.add({0x0C});
    s.add({0x0D}); // a later page starts with a carriage return
    s.add({0x1B, 'J', 5});
    s.add({0x1B, '$', 4, 0});
    s.addImage(39, {0x80, 0, 0}, 1);
    s.add({0x0D});
    s.add({0x0C});
    s.add({0x0C}); // a blank page
    s.add({0x1B, '@'});
    s.add({0x0D});
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d.pages[i].number, i + 1);
        EXPECT_EQ(d.pages[i].end, PageEnd::FormFeed);
        EXPECT_TRUE(d.pages[i].hasLength); // the length stays in force
        EXPECT_EQ(d.pages[i].length, 3960u);
    }
    EXPECT_EQ(d.pages[0].startOffset, 0u);
    EXPECT_EQ(d.pages[0].endOffset, s.starts[5]);
    EXPECT_EQ(d.pages[1].startOffset, s.starts[5]);
    EXPECT_EQ(d.pages[0].images[0].y, 10 * 12);
    EXPECT_EQ(d.pages[1].images[0].y, 5 * 12);
    EXPECT_EQ(d.pages[1].images[0].x, 4 * 6);
    EXPECT_TRUE(d.pages[2].images.empty());
    EXPECT_EQ(d.commands[4].page, 0); // the form feed belongs to the page it ends
    EXPECT_EQ(d.commands[5].page, 1);
    EXPECT_EQ(d.commands.back().page, -1); // the job end is on no page
    EXPECT_TRUE(d.jobEnd);
}

TEST(DecodeCommands, RollPaperPageEndStartsANewForm)
{
    StreamBytes s;
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F}); // at job start: sets the length, ends nothing
    s.add({0x1B, '(', 'C', 2, 0, 0x79, 0x0F}); // still nothing printed
    s.addImage(37, {0, 0, 1}, 1);
    s.add({0x0D});
    s.add({0x1B, 'J', 0x18});
    s.add({0x1B, '(', 'C', 2, 0, 0xF0, 0x1E});
    s.add({0x0D});
    s.add({0x1B, 'J', 3});
    s.addImage(37, {0, 0, 1}, 1);
    s.add({0x0D});
    s.add({0x1B, 'J', 0x18});
    s.add({0x1B, '(', 'C', 2, 0, 0xF0, 0x1E});
    s.add({0x0D});
    s.add({0x1B, 0x19, 'D'});
    const DecodedStream d = decodeOk(s);
    ASSERT_EQ(d.pages.size(), 2u);
    EXPECT_EQ(d.pages[0].end, PageEnd::PageLength);
    EXPECT_EQ(d.pages[0].length, 3961u);
    EXPECT_EQ(d.pages[0].fed, 24 * 12);
    EXPECT_EQ(d.pages[0].endOffset, s.starts[6]);
    EXPECT_EQ(d.pages[1].end, PageEnd::PageLength);
    EXPECT_EQ(d.pages[1].length, 7920u);
    EXPECT_EQ(d.pages[1].images[0].y, 3 * 12);
    EXPECT_EQ(d.commands[5].page, 0);
    EXPECT_NE(describeCommand(d.commands[5], d).find("end of page 1"), std::string::npos);
    EXPECT_EQ(describeCommand(d.commands[1], d).find("end of page"), std::string::npos);
    EXPECT_TRUE(d.jobEnd);
    EXPECT_EQ(d.jobEndHandling, 'D');
}

TEST(DecodeCommands, StreamWithoutPageEndOrJobEnd)
{
    StreamBytes s;
    s.add({0x1B, '@'});
    s.add({0x0D});
    s.add({0x1B, '(', 'C', 2, 0, 0x78, 0x0F});
    const DecodedStream setupOnly = decodeOk(s);
    EXPECT_TRUE(setupOnly.pages.empty()); // nothing printed or fed: no page
    EXPECT_FALSE(setupOnly.jobEnd);

    s.add({0x1B, 'J', 1});
    const DecodedStream fed = decodeOk(s);
    ASSERT_EQ(fed.pages.size(), 1u);
    EXPECT_EQ(fed.pages[0].end, PageEnd::StreamEnd);
    EXPECT_EQ(fed.pages[0].endOffset, s.bytes.size());
    EXPECT_FALSE(fed.jobEnd);

    // A paper-handling command needs its carriage return to be a job end.
    StreamBytes t;
    t.add({0x1B, 0x19, 'C'});
    EXPECT_FALSE(decodeOk(t).jobEnd);
    StreamBytes u;
    u.add({0x0D});
    u.add({0x1B, 0x19, 'C'});
    EXPECT_TRUE(decodeOk(u).jobEnd);
    EXPECT_EQ(decodeOk(u).jobEndHandling, 'C');

    StreamBytes empty;
    const DecodedStream none = decodeOk(empty);
    EXPECT_TRUE(none.commands.empty());
    EXPECT_TRUE(none.pages.empty());
}

} // namespace
