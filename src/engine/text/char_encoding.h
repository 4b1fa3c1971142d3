#pragma once
// Characters as the printer's character table has them: the byte that
// prints a character, a close stand-in where the table lacks it, and
// letters put together from a letter and a combining accent.
#include <cstdint>

#include "engine/text/text_settings.h"

namespace impact {

// The byte that prints cp in the table (ASCII 0x20-0x7E or 0x80-0xFF), or
// 0 when the table has no such character.
uint8_t tableByte(CharTable table, uint32_t cp);

// The byte a printable character goes to the printer as: its own, else a
// close stand-in of one column (the letter without its accent, a straight
// quote for a typographic one, a space for any kind of space), else '?'.
// *replaced tells whether it was not its own.
uint8_t printableByte(CharTable table, uint32_t cp, bool* replaced);

// The letter that `letter` followed by the combining accent makes
// (e + U+0301 = é), or 0 when there is none.
uint32_t composeAccent(uint32_t letter, uint32_t accent);

inline bool isCombiningAccent(uint32_t cp)
{
    return cp >= 0x0300 && cp <= 0x036F;
}

} // namespace impact
