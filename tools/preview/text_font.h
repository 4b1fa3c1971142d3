#pragma once
// The preview's own font for the printer's characters: 5 x 9 dot glyphs for
// ASCII and a few common letters and signs, accented letters built from a
// plain letter and an accent, box-drawing lines and shades drawn to the
// cell's edges, and an empty box for anything else.
#include <cstdint>

#include "impact_decode.h"
#include "page_image.h"

// Draws one character into the picture. Letter quality draws solid
// strokes; draft draws each dot on its own, as a draft font shows.
void drawTextChar(const TextChar& ch, uint32_t dpi, PageImage* image);

// 1 when the font draws the character as itself, 0 when it shows the empty box.
int fontDraws(uint32_t codepoint);

// How far below its cell's top a character reaches, 1/2160 inch.
int64_t textCharDepth(const TextChar& ch);
