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
inline constexpr unsigned char kFormFeed = 0x0C;
inline constexpr unsigned char kCarriageReturn = 0x0D;
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

} // namespace impact
