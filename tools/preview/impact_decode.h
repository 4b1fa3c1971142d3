#pragma once
// Decoding the byte stream the impact printer filter sends: the command
// list, and the pages with their bit images at exact positions.
//
// Positions are kept in 1/2160 inch (kUnitsPerInch), which every unit the
// printers use divides: feeds in 1/180 or 1/216 inch, horizontal positions
// in 1/360 or 1/60 inch, bit-image columns at 60 to 360 dots per inch, dot
// rows 1/72, 1/180 or 1/360 inch apart, characters 1/10 to 1/20 inch wide,
// line spacings of 1/6, 1/8 and n/180, n/216, n/360 inch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int64_t kUnitsPerInch = 2160;

// The units of one printer class.
struct PrinterClass {
    int pins = 24;
    uint32_t feedDpi = 180;     // ESC J n
    uint32_t positionDpi = 360; // ESC $ n
    uint32_t pageDpi = 360;     // ESC ( C and ESC ( c
};

// 24 (the default class) or 9: 0 and the class; anything else: 22.
int printerClassForPins(int pins, PrinterClass* printer);

enum class CommandKind {
    Nul,            // a run of NUL bytes; args[0] = count
    PacketModeExit, // 00 00 00 ESC 01 "@ZRP 1284.4\n@ZRP     \n"
    Reset,          // ESC @
    CarriageReturn, // 0D
    FormFeed,       // 0C
    LineFeed,       // 0A; args[0] = the line spacing it feeds, 1/2160 inch
    Tab,            // 09
    Text,           // printable bytes (20-7E, 80-FF); args[0] = bytes, args[1] = first index into
                    // the page's chars, args[2] = characters printed
    Pitch,          // ESC P, ESC M, ESC g; args[0] = 10, 12 or 15 characters per inch
    Condensed,      // SI or ESC SI (args[0] = 1), DC2 (args[0] = 0)
    Quality,        // ESC x n; args[0] = n (0 draft, 1 letter quality)
    LineSpacing,    // ESC 0, ESC 2, ESC 3 n, ESC A n, ESC + n; args[0] = the letter, args[1] = n
    PageLengthLines, // ESC C n (args[0] = n lines), ESC C 0 n (args[0] = 0, args[1] = n inches)
    LeftMargin,     // ESC l n; args[0] = n columns
    RightMargin,    // ESC Q n; args[0] = n columns
    UpperControls,  // ESC 6 (args[0] = 1: 80-9F print), ESC 7 (args[0] = 0)
    International,  // ESC R n; args[0] = n
    SelectTable,    // ESC t n; args[0] = slot
    AssignTable,    // ESC ( t 03 00 d1 d2 d3; args = slot, d2, d3
    Speed,          // FS x n; args[0] = n
    Direction,      // ESC U n; args[0] = n
    Unit,           // ESC ( U 01 00 n; args[0] = n
    PageLength,     // ESC ( C 02 00 n16; args[0] = n
    PageFormat,     // ESC ( c 04 00 t16 b16; args[0] = top, args[1] = bottom
    Feed,           // ESC J n; args[0] = n
    Position,       // ESC $ n16; args[0] = n
    BitImage,       // ESC * m n16 data; args = mode, columns, bytes per column
    PaperHandling,  // ESC 19 n; args[0] = n
};

struct Command {
    size_t offset = 0; // of the command's first byte
    size_t length = 0; // bytes, image data included
    CommandKind kind = CommandKind::Nul;
    uint32_t args[3] = {0, 0, 0};
    int page = -1;  // index into DecodedStream::pages of its page; -1 after the last page
    int image = -1; // BitImage: index into that page's images
};

// The bit-image modes the printers know.
struct BitImageMode {
    uint32_t bytesPerColumn; // 1, 3 or 6
    uint32_t dotsPerColumn;  // 8, 24 or 48
    uint32_t rowPitch;       // 1/2160 inch between dot rows: 30, 12 or 6
    uint32_t density;        // dots per inch across
};

// 1 and the mode's geometry for a known mode byte, else 0.
int lookupBitImageMode(uint8_t mode, BitImageMode* info);

// The character tables the decoder knows (ESC ( t assigns them to slots,
// ESC t selects a slot).
enum class CodeTable : uint8_t { Italic, PC437, PC850, PC852, PC858, Unknown };

// The table for ESC ( t d2 d3, Unknown for one the decoder does not know.
CodeTable codeTableFor(uint32_t d2, uint32_t d3);
const char* codeTableName(CodeTable table);
// The Unicode character a byte prints as under a table (and ESC R n);
// 0xFFFD when it is not known. Bytes below 0x80 are ASCII for ESC R 0.
uint32_t charCodepoint(CodeTable table, uint32_t international, uint8_t byte);

// One character the printer prints with its own font.
struct TextChar {
    int64_t x = 0;            // left edge of its cell, 1/2160 inch from the paper's left edge
    int64_t y = 0;            // top of its cell, 1/2160 inch below the page start
    uint32_t width = 216;     // cell width, 1/2160 inch (216 at 10 cpi)
    uint32_t lineSpacing = 360; // in force when it printed, 1/2160 inch
    int64_t leftMargin = 0;   // in force when it printed, 1/2160 inch
    uint32_t codepoint = 0;   // Unicode, 0xFFFD when unknown
    uint8_t byte = 0;         // as sent
    uint8_t quality = 0;      // 0 draft, 1 letter quality
    CodeTable table = CodeTable::PC437;
};

struct BitImage {
    size_t offset = 0; // of its ESC *
    int64_t y = 0;     // top dot row, 1/2160 inch below the page start
    int64_t x = 0;     // first column, 1/2160 inch from the left edge
    uint8_t mode = 0;
    uint32_t columns = 0;
    uint32_t bytesPerColumn = 0;
    uint32_t dotsPerColumn = 0;
    uint32_t rowPitch = 0;    // 1/2160 inch
    uint32_t columnPitch = 0; // 1/2160 inch: kUnitsPerInch / density
    uint32_t density = 0;     // dots per inch
    std::vector<uint8_t> data; // columns * bytesPerColumn; the top dot is the high bit of a column's first byte
};

enum class PageEnd {
    StreamEnd,  // the stream stopped with the page open
    FormFeed,   // 0C
    PageLength, // ESC ( C after printing or feeding: a new form starts (roll paper)
};

struct Page {
    int number = 1;         // 1-based
    size_t startOffset = 0; // first byte after the previous page end
    size_t endOffset = 0;   // first byte after this page's end
    PageEnd end = PageEnd::StreamEnd;
    bool hasLength = false;
    uint32_t length = 0; // page length in force, 1/pageDpi inch
    bool hasFormat = false;
    uint32_t top = 0;    // page format, 1/pageDpi inch
    uint32_t bottom = 0;
    int64_t lengthUnits = 0; // the same page length in 1/2160 inch (also when set in lines)
    int64_t fed = 0; // paper fed on this page, 1/2160 inch
    std::vector<BitImage> images;
    std::vector<TextChar> chars;
};

struct DecodedStream {
    PrinterClass printer;
    std::vector<Command> commands;
    std::vector<Page> pages;
    // The stream ended with the job end: ESC @ 0D, or 0D ESC 19 n.
    bool jobEnd = false;
    uint8_t jobEndHandling = 0; // n of a closing 0D ESC 19 n; 0 for ESC @ 0D
    size_t nulBytes = 0;        // NUL bytes in runs anywhere
    size_t trailingNuls = 0;    // NUL bytes after the last other command
    // Set when decoding stopped at a truncated or unknown command.
    bool failed = false;
    size_t errorOffset = 0;
    std::string error; // e.g. "truncated bit image (needs 72 bytes, 10 left)"
};

// Decodes the whole stream. 0; or 1 when a command is truncated or unknown
// (out->failed, errorOffset and error tell which; everything before it is
// decoded). 22 for a null output or null bytes with a non-zero size.
int decodeStream(const uint8_t* bytes, size_t size, const PrinterClass& printer, DecodedStream* out);

// "offset 1234: truncated bit image (needs 72 bytes, 10 left)".
std::string describeError(const DecodedStream& stream);
// One line for --list: offset, command name, arguments (image data summarised).
std::string describeCommand(const Command& command, const DecodedStream& stream);

// The line spacing a LineSpacing command sets, 1/2160 inch.
uint32_t lineSpacingUnits(const Command& command, const PrinterClass& printer);

int64_t pageLengthUnits(const Page& page, const PrinterClass& printer); // 1/2160 inch, 0 when unset

// The text of a page as UTF-8, one line per line of print: a character's
// column counts from the left margin in force, blank lines and gaps
// (positions, tabs) become empty lines and spaces; unknown characters
// print as U+FFFD. Empty for a page without text.
std::string pageText(const Page& page);
void appendUtf8(uint32_t codepoint, std::string* out);

// Dots at a raster resolution: a dot's position, rounded to the nearest
// raster dot (halves up).
struct Dot {
    int64_t x;
    int64_t y;
};

int64_t unitsToDots(int64_t units, uint32_t dpi);
// Every dot of one image, in column order, top to bottom.
void appendImageDots(const BitImage& image, uint32_t hdpi, uint32_t vdpi, std::vector<Dot>* dots);
// Every dot of a page, sorted by y then x, each position once.
std::vector<Dot> pageDots(const Page& page, uint32_t hdpi, uint32_t vdpi);
uint64_t imageDotCount(const BitImage& image);
uint64_t pageDotCount(const Page& page);
