#pragma once
// What a job prints with, in the engine's own terms. The filter builds it
// from its PPD and the job's options, the printer application from IPP
// values; the engine's printer side reads nothing else.
#include <cstdint>

namespace impact {

enum class PrinterClass : uint8_t { NinePin, TwentyFourPin };

struct PrinterUnits {
    uint16_t baseDpi;     // unit of the page metrics
    uint16_t pageDpi;     // unit of the page-length and page-format values
    uint16_t feedDpi;     // unit of the paper-feed command
    uint16_t positionDpi; // unit of the horizontal-position command
};

inline constexpr PrinterUnits kUnitsNinePin = {4320, 432, 216, 60};
inline constexpr PrinterUnits kUnitsTwentyFourPin = {3600, 360, 180, 360};

PrinterUnits unitsOf(PrinterClass printerClass);

// The page in points, the printable area measured from the bottom-left
// corner (single precision, as page sizes have always been computed).
struct PageGeometry {
    float width;
    float length;
    float left;
    float bottom;
    float right;
    float top;
};

// Each "printer setting" leaves the printer's own setting alone: no command.
enum class PrintSpeed : uint8_t { PrinterSetting, Normal, High };
enum class PrintDirection : uint8_t { PrinterSetting, Unidirectional, Bidirectional };
// Who sets the top and bottom margins: the printer's own, or the driver
// from the page size.
enum class MarginOwner : uint8_t { Printer, Driver };
// How a page ends: a form feed, or on roll paper with roll-paper saving a
// short advance and the page length again.
enum class PageEnd : uint8_t { FormFeed, RollPaperAdvance };
// How the job ends: a reset, or with tear-off the paper to its tear-off
// position (roll paper with saving: pulled back).
enum class JobEnd : uint8_t { Reset, TearOff, TearOffRollPaperSaving };

struct JobSettings {
    PrinterClass printerClass;
    PageGeometry page;
    PrintSpeed speed;
    PrintDirection direction;
    MarginOwner margins;
    bool packetModeExit;   // take an IEEE 1284.4 printer out of packet mode first
    PageEnd pageEnd;
    JobEnd jobEnd;
    uint16_t graphicsFlags; // the printer's flagged (high-speed) bit-image modes allowed
    bool speedCommand;      // the printer takes the speed command
};

// The paper sources of the printers, for hosts that name them by kind.
enum class PaperSource : uint8_t { Tractor, TractorFront, RollPaper, CutSheet };

// The page and job end for paper from this source: roll-paper saving
// matters on roll paper only, tear-off on continuous paper only.
void setPaperHandling(JobSettings* settings, PaperSource source, bool rollPaperSaving, bool tearOff);

} // namespace impact
