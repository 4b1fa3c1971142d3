#include "command_reader.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kNul = 0x00;
constexpr uint8_t kTab = 0x09;
constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kFormFeed = 0x0C;
constexpr uint8_t kShiftIn = 0x0F;
constexpr uint8_t kDc2 = 0x12;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kFs = 0x1C;

uint32_t le16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
}

std::string hexByte(uint8_t b)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

// 1 when fewer than `needed` bytes are left from pos; the reason in *error.
int truncated(size_t size, size_t pos, size_t needed, const char* what, std::string* error)
{
    if (size - pos >= needed)
        return 0;
    *error = std::string("truncated ") + what + " (needs " + std::to_string(needed) + " bytes, " +
             std::to_string(size - pos) + " left)";
    return 1;
}

bool isPrintable(uint8_t b)
{
    return (b >= 0x20 && b < 0x7F) || b >= 0x80;
}

int fixed(Command* c, CommandKind kind, size_t length)
{
    c->kind = kind;
    c->length = length;
    return 0;
}

// 1 when the bytes from textStart agree with the packet-mode exit text as
// far as the stream goes.
int packetTextMatches(const uint8_t* bytes, size_t size, size_t textStart)
{
    const size_t available = size > textStart ? size - textStart : 0;
    const size_t compare = available < kPacketExitTextLength ? available : kPacketExitTextLength;
    return std::memcmp(bytes + textStart, kPacketExitText, compare) == 0;
}

// The packet-mode exit block: `leading` NULs (3, or 0 for a bare ESC 01),
// ESC 01 and its text.
int readPacketExit(const uint8_t* bytes, size_t size, size_t pos, size_t leading, Command* c, std::string* error)
{
    const size_t total = leading + 2 + kPacketExitTextLength;
    if (!packetTextMatches(bytes, size, pos + leading + 2)) {
        *error = "unknown command ESC 0x01 (not the packet-mode exit text)";
        return 1;
    }
    if (truncated(size, pos, total, "packet-mode exit block", error))
        return 1;
    c->kind = CommandKind::PacketModeExit;
    c->length = total;
    c->args[0] = static_cast<uint32_t>(leading);
    return 0;
}

int readNul(const uint8_t* bytes, size_t size, size_t pos, Command* c, std::string* error)
{
    size_t run = 0;
    while (pos + run < size && bytes[pos + run] == kNul)
        ++run;
    // The packet-mode exit block begins with three NULs of its own.
    const size_t after = pos + run;
    if (run >= 3 && after + 1 < size && bytes[after] == kEsc && bytes[after + 1] == 0x01 &&
        packetTextMatches(bytes, size, after + 2)) {
        if (run == 3)
            return readPacketExit(bytes, size, pos, 3, c, error);
        run -= 3;
    }
    c->kind = CommandKind::Nul;
    c->length = run;
    c->args[0] = static_cast<uint32_t>(run);
    return 0;
}

// ESC ( x nL nH params: the parameter length must be the one the command takes.
int readParenCommand(const uint8_t* bytes, size_t size, size_t pos, Command* c, std::string* error)
{
    if (truncated(size, pos, 3, "ESC ( command", error))
        return 1;
    const uint8_t letter = bytes[pos + 2];
    const char* what = nullptr;
    uint32_t paramLength = 0;
    switch (letter) {
    case 'U':
        what = "ESC ( U unit command";
        paramLength = 1;
        c->kind = CommandKind::Unit;
        break;
    case 'C':
        what = "ESC ( C page length command";
        paramLength = 2;
        c->kind = CommandKind::PageLength;
        break;
    case 'c':
        what = "ESC ( c page format command";
        paramLength = 4;
        c->kind = CommandKind::PageFormat;
        break;
    case 't':
        what = "ESC ( t character table command";
        paramLength = 3;
        c->kind = CommandKind::AssignTable;
        break;
    default:
        *error = "unknown command ESC ( " + hexByte(letter);
        return 1;
    }
    if (truncated(size, pos, 5, what, error))
        return 1;
    const uint32_t declared = le16(bytes + pos + 3);
    if (declared != paramLength) {
        *error = std::string(what) + " with parameter length " + std::to_string(declared) + " (takes " +
                 std::to_string(paramLength) + ")";
        return 1;
    }
    if (truncated(size, pos, 5 + paramLength, what, error))
        return 1;
    const uint8_t* p = bytes + pos + 5;
    c->length = 5 + paramLength;
    switch (c->kind) {
    case CommandKind::Unit:
        c->args[0] = p[0];
        break;
    case CommandKind::PageLength:
        c->args[0] = le16(p);
        break;
    case CommandKind::AssignTable:
        c->args[0] = p[0];
        c->args[1] = p[1];
        c->args[2] = p[2];
        break;
    default:
        c->args[0] = le16(p);
        c->args[1] = le16(p + 2);
        break;
    }
    return 0;
}

int readBitImage(const uint8_t* bytes, size_t size, size_t pos, Command* c, std::string* error)
{
    if (truncated(size, pos, 5, "ESC * bit image header", error))
        return 1;
    const uint8_t mode = bytes[pos + 2];
    BitImageMode info{};
    if (!lookupBitImageMode(mode, &info)) {
        *error = "unknown bit image mode " + std::to_string(mode);
        return 1;
    }
    const uint32_t columns = le16(bytes + pos + 3);
    const size_t dataBytes = static_cast<size_t>(columns) * info.bytesPerColumn;
    if (size - (pos + 5) < dataBytes) {
        *error = "truncated bit image (needs " + std::to_string(dataBytes) + " bytes, " +
                 std::to_string(size - (pos + 5)) + " left)";
        return 1;
    }
    c->kind = CommandKind::BitImage;
    c->length = 5 + dataBytes;
    c->args[0] = mode;
    c->args[1] = columns;
    c->args[2] = info.bytesPerColumn;
    return 0;
}

int readEscCommand(const uint8_t* bytes, size_t size, size_t pos, Command* c, std::string* error)
{
    if (truncated(size, pos, 2, "ESC command", error))
        return 1;
    const uint8_t letter = bytes[pos + 1];
    switch (letter) {
    case '@':
        return fixed(c, CommandKind::Reset, 2);
    case 'P':
    case 'M':
    case 'g':
        c->args[0] = letter == 'P' ? 10 : letter == 'M' ? 12 : 15;
        return fixed(c, CommandKind::Pitch, 2);
    case kShiftIn:
        c->args[0] = 1;
        return fixed(c, CommandKind::Condensed, 2);
    case '0':
    case '2':
        c->args[0] = letter;
        return fixed(c, CommandKind::LineSpacing, 2);
    case '6':
    case '7':
        c->args[0] = letter == '6' ? 1 : 0;
        return fixed(c, CommandKind::UpperControls, 2);
    case 'C':
        // ESC C n: n lines; ESC C 0 n: n inches.
        if (truncated(size, pos, 3, "ESC C page length command", error))
            return 1;
        if (bytes[pos + 2] != 0) {
            c->args[0] = bytes[pos + 2];
            return fixed(c, CommandKind::PageLengthLines, 3);
        }
        if (truncated(size, pos, 4, "ESC C 0 page length command", error))
            return 1;
        c->args[1] = bytes[pos + 3];
        return fixed(c, CommandKind::PageLengthLines, 4);
    case 0x01:
        return readPacketExit(bytes, size, pos, 0, c, error);
    case '(':
        return readParenCommand(bytes, size, pos, c, error);
    case '*':
        return readBitImage(bytes, size, pos, c, error);
    case 'U':
    case 'J':
    case 0x19:
    case 'x':
    case 'l':
    case 'Q':
    case 'R':
    case 't':
    case '3':
    case 'A':
    case '+': {
        struct OneByte { uint8_t letter; CommandKind kind; const char* what; };
        static constexpr OneByte kOneByte[] = {
            {'U', CommandKind::Direction, "ESC U direction command"},
            {'J', CommandKind::Feed, "ESC J feed command"},
            {0x19, CommandKind::PaperHandling, "ESC 0x19 paper handling command"},
            {'x', CommandKind::Quality, "ESC x quality command"},
            {'l', CommandKind::LeftMargin, "ESC l left margin command"},
            {'Q', CommandKind::RightMargin, "ESC Q right margin command"},
            {'R', CommandKind::International, "ESC R character set command"},
            {'t', CommandKind::SelectTable, "ESC t character table command"},
            {'3', CommandKind::LineSpacing, "ESC 3 line spacing command"},
            {'A', CommandKind::LineSpacing, "ESC A line spacing command"},
            {'+', CommandKind::LineSpacing, "ESC + line spacing command"},
        };
        const OneByte* entry = kOneByte;
        while (entry->letter != letter)
            ++entry;
        if (truncated(size, pos, 3, entry->what, error))
            return 1;
        c->kind = entry->kind;
        c->length = 3;
        if (c->kind == CommandKind::LineSpacing) {
            c->args[0] = letter;
            c->args[1] = bytes[pos + 2];
        } else {
            c->args[0] = bytes[pos + 2];
        }
        return 0;
    }
    case '$':
        if (truncated(size, pos, 4, "ESC $ position command", error))
            return 1;
        c->kind = CommandKind::Position;
        c->length = 4;
        c->args[0] = le16(bytes + pos + 2);
        return 0;
    default:
        *error = "unknown command ESC " + hexByte(letter);
        return 1;
    }
}

} // namespace

int readCommand(const uint8_t* bytes, size_t size, size_t pos, Command* command, std::string* error)
{
    *command = Command();
    command->offset = pos;
    switch (bytes[pos]) {
    case kNul:
        return readNul(bytes, size, pos, command, error);
    case kCarriageReturn:
        return fixed(command, CommandKind::CarriageReturn, 1);
    case kFormFeed:
        return fixed(command, CommandKind::FormFeed, 1);
    case kLineFeed:
        return fixed(command, CommandKind::LineFeed, 1);
    case kTab:
        return fixed(command, CommandKind::Tab, 1);
    case kShiftIn:
    case kDc2:
        command->args[0] = bytes[pos] == kShiftIn ? 1 : 0;
        return fixed(command, CommandKind::Condensed, 1);
    case kEsc:
        return readEscCommand(bytes, size, pos, command, error);
    case kFs:
        if (truncated(size, pos, 2, "FS command", error))
            return 1;
        if (bytes[pos + 1] != 'x') {
            *error = "unknown command FS " + hexByte(bytes[pos + 1]);
            return 1;
        }
        if (truncated(size, pos, 3, "FS x speed command", error))
            return 1;
        command->kind = CommandKind::Speed;
        command->length = 3;
        command->args[0] = bytes[pos + 2];
        return 0;
    default:
        break;
    }
    size_t run = 0;
    while (pos + run < size && isPrintable(bytes[pos + run]))
        ++run;
    if (run == 0) {
        *error = "unknown byte " + hexByte(bytes[pos]);
        return 1;
    }
    command->kind = CommandKind::Text;
    command->length = run;
    command->args[0] = static_cast<uint32_t>(run);
    return 0;
}
