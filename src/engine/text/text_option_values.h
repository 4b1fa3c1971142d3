#pragma once
// The text options' values as people write them (`cpi=12`, `wrap=false`,
// `impact-character-table=pc858`), for both hosts. Each returns false for
// a value it cannot read and leaves the setting alone.
#include "engine/text/text_settings.h"

namespace impact {

// A number of characters per inch: the printer's pitch nearest to it
// (17 or 17.1 is condensed; 15 on a 9-pin printer is condensed too).
bool parsePitch(const char* text, bool ninePin, TextPitch* pitch);
// Lines per inch: 6 or 8, the nearer of the two.
bool parseLineSpacing(const char* text, LineSpacing* spacing);
// A distance in points (1/72 inch), 0 to 720.
bool parsePoints(const char* text, float* points);
// true/false, yes/no, on/off, 1/0.
bool parseSwitch(const char* text, bool* on);
// pc437, pc850, pc858, pc852 (also cp437 or 437, any case).
bool parseCharTable(const char* text, CharTable* table);
// utf-8, us-ascii, iso-8859-1, iso-8859-15, windows-1252 (any case;
// utf8, ascii, latin1, latin9, cp1252 too).
bool parseInputCharset(const char* text, InputCharset* charset);

// Names as the options take them: "pc858", "iso-8859-15", "10", "17".
const char* charTableName(CharTable table);
const char* inputCharsetName(InputCharset charset);
const char* pitchName(TextPitch pitch);
// A table's name for people: "PC858".
const char* charTableLabel(CharTable table);

} // namespace impact
