#include "engine/text/text_commands.h"

#include <cstddef>

namespace impact {

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr unsigned char SI = 0x0F; // condensed printing

// ESC ( t assigns a registered character table to one of the four slots
// ESC t chooses from; these are the tables' registration numbers.
struct TableCode {
    unsigned char d2, d3;
};

TableCode tableCode(CharTable table)
{
    switch (table) {
    case CharTable::Pc850:
        return {3, 0};
    case CharTable::Pc858:
        return {13, 0};
    case CharTable::Pc852:
        return {10, 0};
    case CharTable::Pc437:
        break;
    }
    return {1, 0};
}

size_t putPitch(unsigned char* out, TextPitch pitch)
{
    switch (pitch) {
    case TextPitch::Cpi12:
        out[0] = ESC, out[1] = 'M';
        return 2;
    case TextPitch::Cpi15:
        out[0] = ESC, out[1] = 'g';
        return 2;
    case TextPitch::Cpi17:
        out[0] = ESC, out[1] = 'P', out[2] = SI;
        return 3;
    case TextPitch::Cpi10:
        break;
    }
    out[0] = ESC, out[1] = 'P';
    return 2;
}

} // namespace

StatusCode sendTextSetup(const OutputStream* out, const TextSetup* setup)
{
    unsigned char bytes[40];
    size_t n = 0;
    bytes[n++] = ESC, bytes[n++] = 'x', bytes[n++] = setup->quality == TextQuality::Draft ? 0 : 1;
    n += putPitch(bytes + n, setup->pitch);
    bytes[n++] = ESC, bytes[n++] = setup->spacing == LineSpacing::Lpi8 ? '0' : '2';
    bytes[n++] = ESC, bytes[n++] = 'R', bytes[n++] = 0; // the US set: 0x20-0x7E are ASCII
    bytes[n++] = ESC, bytes[n++] = '6';                 // 0x80-0x9F print as characters
    const TableCode code = tableCode(setup->table);
    const unsigned char assign[] = {ESC, '(', 't', 3, 0, 1, code.d2, code.d3, ESC, 't', 1};
    for (unsigned char byte : assign)
        bytes[n++] = byte;
    bytes[n++] = ESC, bytes[n++] = 'l', bytes[n++] = setup->leftColumn;
    bytes[n++] = ESC, bytes[n++] = 'Q', bytes[n++] = setup->rightColumn;
    return writeAll(out, bytes, n) != 0 ? 1 : 0;
}

StatusCode sendPaperFeed(const OutputStream* out, uint32_t units)
{
    int failed = 0;
    while (units > 0) {
        const unsigned char step = units > 255 ? 255 : static_cast<unsigned char>(units);
        const unsigned char feed[3] = {ESC, 'J', step};
        failed |= writeAll(out, feed, sizeof feed);
        units -= step;
    }
    return failed ? 1 : 0;
}

StatusCode sendLineFeeds(const OutputStream* out, uint32_t count)
{
    static const unsigned char kFeeds[64] = {
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
        kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed, kLineFeed,
    };
    int failed = 0;
    while (count > 0) {
        const uint32_t n = count < sizeof kFeeds ? count : static_cast<uint32_t>(sizeof kFeeds);
        failed |= writeAll(out, kFeeds, n);
        count -= n;
    }
    return failed ? 1 : 0;
}

} // namespace impact
