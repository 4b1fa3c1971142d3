#pragma once
// What a text job prints with: the printer's own font settings, where the
// text goes on the form and how the document's characters are read.
#include <cstdint>

namespace impact {

enum class TextQuality { Draft, Letter };
// Characters per inch; Cpi17 is condensed 10-pitch (17.14 cpi).
enum class TextPitch { Cpi10, Cpi12, Cpi15, Cpi17 };
enum class LineSpacing { Lpi6, Lpi8 };
enum class CharTable { Pc437, Pc850, Pc858, Pc852 };
// US-ASCII documents are read as UTF-8, of which they are a part.
enum class InputCharset { Utf8, Latin1, Latin9, Windows1252 };

struct TextSettings {
    TextQuality quality = TextQuality::Letter;
    TextPitch pitch = TextPitch::Cpi10;
    LineSpacing spacing = LineSpacing::Lpi6;
    float leftPoints = 0; // offset of the first column from the printer's left-most one
    float topPoints = 0;  // offset of the first line from the top of the form
    bool wrap = true;     // false: a line is cut at the right margin
    CharTable table = CharTable::Pc437;
    InputCharset charset = InputCharset::Utf8;
};

// Characters per inch of a pitch, times 100 (1714 for condensed).
int pitchCentiCpi(TextPitch pitch);
int linesPerInch(LineSpacing spacing);
// The 15-cpi pitch is the 24-pin class's only.
bool printerHasPitch(bool ninePin, TextPitch pitch);

} // namespace impact
