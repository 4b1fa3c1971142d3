#pragma once
// The printer's command language: one function per command, each sending
// the whole command in one write. true when the stream took every byte.
// Job start, page setup, bands, page end and cancellation speak to the
// printer only through these.
#include <cstddef>
#include <cstdint>

#include "engine/output/output_channel.h"

namespace impact {

// Control codes.
inline constexpr unsigned char kNul = 0x00;
inline constexpr unsigned char kLineFeed = 0x0A;
inline constexpr unsigned char kFormFeed = 0x0C;
inline constexpr unsigned char kCarriageReturn = 0x0D;
inline constexpr unsigned char kShiftIn = 0x0F; // condensed printing
inline constexpr unsigned char kEndOfMedium = 0x19;
inline constexpr unsigned char kEsc = 0x1B;
inline constexpr unsigned char kFs = 0x1C;

// The letters after ESC (or FS) that name a command.
inline constexpr unsigned char kResetLetter = '@';
inline constexpr unsigned char kTenCpiLetter = 'P';
inline constexpr unsigned char kDirectionLetter = 'U';
inline constexpr unsigned char kFeedLetter = 'J';
inline constexpr unsigned char kPositionLetter = '$';
inline constexpr unsigned char kBitImageLetter = '*';
inline constexpr unsigned char kSpeedLetter = 'x';       // after FS
inline constexpr unsigned char kExtendedLetter = '(';    // ESC ( X nL nH parameters
inline constexpr unsigned char kUnitLetter = 'U';        // after ESC (
inline constexpr unsigned char kPageLengthLetter = 'C';  // after ESC (
inline constexpr unsigned char kPageFormatLetter = 'c';  // after ESC (
inline constexpr unsigned char kQualityLetter = 'x';
inline constexpr unsigned char kTwelveCpiLetter = 'M';
inline constexpr unsigned char kFifteenCpiLetter = 'g';
inline constexpr unsigned char kSixLpiLetter = '2';
inline constexpr unsigned char kEightLpiLetter = '0';
inline constexpr unsigned char kCharacterSetLetter = 'R';
inline constexpr unsigned char kUpperCodesPrintLetter = '6';
inline constexpr unsigned char kCharacterTableLetter = 't'; // after ESC: choose; after ESC (: assign
inline constexpr unsigned char kLeftMarginLetter = 'l';
inline constexpr unsigned char kRightMarginLetter = 'Q';

// The unit of the page-length and page-format values: 10/3600 inch.
inline constexpr uint8_t kUnitTenths360 = 10;
// The most paper one feed command moves, in feed steps.
inline constexpr uint8_t kMaxFeedSteps = 255;

// Where the paper goes at the end of a job with tear-off on.
enum class TearOffPosition : unsigned char {
    TearEdge = 'C',          // the perforation to the tear-off edge
    RollPaperSaving = 'D',   // roll paper, pulled back to save paper
};

// Takes an IEEE 1284.4 printer out of packet mode.
bool exitPacketMode(const OutputStream* out);
// ESC @: the printer's power-on settings.
bool resetPrinter(const OutputStream* out);
bool carriageReturn(const OutputStream* out);
bool formFeed(const OutputStream* out);
// ESC P: ten characters per inch.
bool selectTenCpi(const OutputStream* out);
// FS x n: the print speed (0 normal, 1 high).
bool selectSpeed(const OutputStream* out, uint8_t speed);
// ESC U n: unidirectional (1) or bidirectional (0) printing.
bool selectDirection(const OutputStream* out, bool unidirectional);
// ESC ( U: the unit of page length and format, in 1/3600 inch.
bool setUnit(const OutputStream* out, uint8_t unit);
// ESC ( C: the page length, in that unit.
bool setPageLength(const OutputStream* out, uint16_t length);
// ESC ( c: the top and bottom of the printable area, in that unit.
bool setPageFormat(const OutputStream* out, uint16_t top, uint16_t bottom);
// ESC J n: advances the paper n feed steps.
bool feedPaper(const OutputStream* out, uint8_t steps);
// ESC $: the print head to this many position units from the left margin.
bool setHorizontalPosition(const OutputStream* out, uint16_t position);
// ESC * m nL nH: a bit image of this many columns in this mode follows.
bool startBitImage(const OutputStream* out, uint8_t mode, uint16_t columns);
// ESC EM: the paper to its tear-off position.
bool moveToTearOff(const OutputStream* out, TearOffPosition position);
// count NUL bytes: completes a bit image cut short.
bool sendNulBytes(const OutputStream* out, uint32_t count);

// The text commands.
// ESC x n: draft (false) or letter quality (true) characters.
bool selectLetterQuality(const OutputStream* out, bool letterQuality);
// ESC M: twelve characters per inch.
bool selectTwelveCpi(const OutputStream* out);
// ESC g: fifteen characters per inch (the 24-pin class).
bool selectFifteenCpi(const OutputStream* out);
// SI: condensed characters (17.14 per inch after ESC P).
bool selectCondensed(const OutputStream* out);
// ESC 2 and ESC 0: lines 1/6 and 1/8 inch apart.
bool selectSixLpi(const OutputStream* out);
bool selectEightLpi(const OutputStream* out);
// ESC R n: the international character set (0: USA, 0x20-0x7E as ASCII).
bool selectCharacterSet(const OutputStream* out, uint8_t set);
// ESC 6: codes 0x80-0x9F print as characters.
bool printUpperCodes(const OutputStream* out);
// ESC ( t: the registered character table d2 d3 into slot 0-3.
bool assignCharacterTable(const OutputStream* out, uint8_t slot, uint8_t d2, uint8_t d3);
// ESC t n: characters from slot n.
bool selectCharacterTable(const OutputStream* out, uint8_t slot);
// ESC l n and ESC Q n: the left margin and the right margin, in columns of
// the pitch in use.
bool setLeftMargin(const OutputStream* out, uint8_t column);
bool setRightMargin(const OutputStream* out, uint8_t column);
// count line feeds.
bool lineFeeds(const OutputStream* out, uint32_t count);

} // namespace impact
