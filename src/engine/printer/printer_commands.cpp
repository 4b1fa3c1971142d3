#include "engine/printer/printer_commands.h"

namespace impact {

namespace {

bool send(const OutputStream* out, const unsigned char* bytes, size_t count)
{
    return writeAll(out, bytes, count);
}

// ESC and one letter: the commands without parameters.
bool sendEsc(const OutputStream* out, unsigned char letter)
{
    const unsigned char command[] = {kEsc, letter};
    return send(out, command, sizeof command);
}

unsigned char low(uint32_t value)
{
    return static_cast<unsigned char>(value & 0xFF);
}

unsigned char high(uint32_t value)
{
    return static_cast<unsigned char>((value >> 8) & 0xFF);
}

} // namespace

bool exitPacketMode(const OutputStream* out)
{
    static const unsigned char kExit[27] = {
        kNul, kNul, kNul, kEsc, 0x01,
        '@', 'Z', 'R', 'P', ' ', '1', '2', '8', '4', '.', '4', '\n',
        '@', 'Z', 'R', 'P', ' ', ' ', ' ', ' ', ' ', '\n',
    };
    return send(out, kExit, sizeof kExit);
}

bool resetPrinter(const OutputStream* out)
{
    return sendEsc(out, kResetLetter);
}

bool carriageReturn(const OutputStream* out)
{
    return send(out, &kCarriageReturn, 1);
}

bool formFeed(const OutputStream* out)
{
    return send(out, &kFormFeed, 1);
}

bool selectTenCpi(const OutputStream* out)
{
    return sendEsc(out, kTenCpiLetter);
}

bool selectSpeed(const OutputStream* out, uint8_t speed)
{
    const unsigned char command[] = {kFs, kSpeedLetter, speed};
    return send(out, command, sizeof command);
}

bool selectDirection(const OutputStream* out, bool unidirectional)
{
    const unsigned char command[] = {kEsc, kDirectionLetter, static_cast<unsigned char>(unidirectional ? 1 : 0)};
    return send(out, command, sizeof command);
}

bool setUnit(const OutputStream* out, uint8_t unit)
{
    const unsigned char command[] = {kEsc, kExtendedLetter, kUnitLetter, 1, 0, unit};
    return send(out, command, sizeof command);
}

bool setPageLength(const OutputStream* out, uint16_t length)
{
    const unsigned char command[] = {kEsc, kExtendedLetter, kPageLengthLetter, 2, 0, low(length), high(length)};
    return send(out, command, sizeof command);
}

bool setPageFormat(const OutputStream* out, uint16_t top, uint16_t bottom)
{
    const unsigned char command[] = {kEsc, kExtendedLetter, kPageFormatLetter, 4, 0,
                                     low(top), high(top), low(bottom), high(bottom)};
    return send(out, command, sizeof command);
}

bool feedPaper(const OutputStream* out, uint8_t steps)
{
    const unsigned char command[] = {kEsc, kFeedLetter, steps};
    return send(out, command, sizeof command);
}

bool setHorizontalPosition(const OutputStream* out, uint16_t position)
{
    const unsigned char command[] = {kEsc, kPositionLetter, low(position), high(position)};
    return send(out, command, sizeof command);
}

bool startBitImage(const OutputStream* out, uint8_t mode, uint16_t columns)
{
    const unsigned char command[] = {kEsc, kBitImageLetter, mode, low(columns), high(columns)};
    return send(out, command, sizeof command);
}

bool moveToTearOff(const OutputStream* out, TearOffPosition position)
{
    const unsigned char command[] = {kEsc, kEndOfMedium, static_cast<unsigned char>(position)};
    return send(out, command, sizeof command);
}

bool sendNulBytes(const OutputStream* out, uint32_t count)
{
    static const unsigned char kZeros[512] = {};
    bool ok = true;
    while (count > 0) {
        const uint32_t n = count < sizeof kZeros ? count : static_cast<uint32_t>(sizeof kZeros);
        ok &= send(out, kZeros, n);
        count -= n;
    }
    return ok;
}

bool selectLetterQuality(const OutputStream* out, bool letterQuality)
{
    const unsigned char command[] = {kEsc, kQualityLetter, static_cast<unsigned char>(letterQuality ? 1 : 0)};
    return send(out, command, sizeof command);
}

bool selectTwelveCpi(const OutputStream* out)
{
    return sendEsc(out, kTwelveCpiLetter);
}

bool selectFifteenCpi(const OutputStream* out)
{
    return sendEsc(out, kFifteenCpiLetter);
}

bool selectCondensed(const OutputStream* out)
{
    return send(out, &kShiftIn, 1);
}

bool selectSixLpi(const OutputStream* out)
{
    return sendEsc(out, kSixLpiLetter);
}

bool selectEightLpi(const OutputStream* out)
{
    return sendEsc(out, kEightLpiLetter);
}

bool selectCharacterSet(const OutputStream* out, uint8_t set)
{
    const unsigned char command[] = {kEsc, kCharacterSetLetter, set};
    return send(out, command, sizeof command);
}

bool printUpperCodes(const OutputStream* out)
{
    return sendEsc(out, kUpperCodesPrintLetter);
}

bool assignCharacterTable(const OutputStream* out, uint8_t slot, uint8_t d2, uint8_t d3)
{
    const unsigned char command[] = {kEsc, kExtendedLetter, kCharacterTableLetter, 3, 0, slot, d2, d3};
    return send(out, command, sizeof command);
}

bool selectCharacterTable(const OutputStream* out, uint8_t slot)
{
    const unsigned char command[] = {kEsc, kCharacterTableLetter, slot};
    return send(out, command, sizeof command);
}

bool setLeftMargin(const OutputStream* out, uint8_t column)
{
    const unsigned char command[] = {kEsc, kLeftMarginLetter, column};
    return send(out, command, sizeof command);
}

bool setRightMargin(const OutputStream* out, uint8_t column)
{
    const unsigned char command[] = {kEsc, kRightMarginLetter, column};
    return send(out, command, sizeof command);
}

bool lineFeeds(const OutputStream* out, uint32_t count)
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
    bool ok = true;
    while (count > 0) {
        const uint32_t n = count < sizeof kFeeds ? count : static_cast<uint32_t>(sizeof kFeeds);
        ok &= send(out, kFeeds, n);
        count -= n;
    }
    return ok;
}

} // namespace impact
