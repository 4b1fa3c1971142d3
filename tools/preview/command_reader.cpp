#include "command_reader.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kNul = 0x00;
constexpr uint8_t kFormFeed = 0x0C;
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
        return fixed(c, CommandKind::Pitch, 2);
    case 0x01:
        return readPacketExit(bytes, size, pos, 0, c, error);
    case '(':
        return readParenCommand(bytes, size, pos, c, error);
    case '*':
        return readBitImage(bytes, size, pos, c, error);
    case 'U':
    case 'J':
    case 0x19: {
        const char* what = letter == 'U' ? "ESC U direction command"
                           : letter == 'J' ? "ESC J feed command"
                                           : "ESC 0x19 paper handling command";
        if (truncated(size, pos, 3, what, error))
            return 1;
        c->kind = letter == 'U' ? CommandKind::Direction : letter == 'J' ? CommandKind::Feed : CommandKind::PaperHandling;
        c->length = 3;
        c->args[0] = bytes[pos + 2];
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
        *error = "unknown byte " + hexByte(bytes[pos]);
        return 1;
    }
}
