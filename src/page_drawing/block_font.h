#pragma once
// A 5 x 7 dot block font for the pages' lettering: capitals, digits and a
// few signs. Lower-case letters are drawn as capitals.

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6; // glyph and one column of space

// 35 characters of '0' and '1', row by row from the top, or null for a
// character the font lacks (drawn as a space).
const char* glyphPattern(char c);
