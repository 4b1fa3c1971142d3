#pragma once
// Drawing on a page bitmap. Coordinates are dots; rectangles include their
// first and exclude their last coordinates; everything is clipped to the
// page.
#include <cstdint>

#include "page_bitmap.h"

void fillRect(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1);
// An outline of the given thickness inside the rectangle.
void drawFrame(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t thicknessX,
               int64_t thicknessY);
// A straight line of square pen size w x h.
void drawLine(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, int64_t h);
// An ellipse outline with radii rx, ry around (cx, cy), pen w x h.
void drawEllipse(PageBitmap* page, int64_t cx, int64_t cy, int64_t rx, int64_t ry, int64_t w, int64_t h);
// Ordered (8 x 8 Bayer) dither of level/64 grey over the rectangle; the
// pattern is anchored to the page, so neighbouring boxes join seamlessly.
void fillDither(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int level);

// Block-font lettering with its top-left corner at (x, y), each font dot
// drawn as sx x sy page dots. Returns the width drawn.
int64_t drawText(PageBitmap* page, int64_t x, int64_t y, const char* text, int64_t sx, int64_t sy);
int64_t textWidth(const char* text, int64_t sx);

// splitmix64: a small, portable, seeded sequence.
uint64_t nextRandom(uint64_t* state);
// A value in [0, bound) for bound > 0.
uint32_t randomBelow(uint64_t* state, uint32_t bound);
