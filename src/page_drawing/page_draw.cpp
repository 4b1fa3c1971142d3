#include "page_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "block_font.h"

void fillRect(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    fillDither(page, x0, y0, x1, y1, 64); // every cell of the 8 x 8 matrix is below 64
}

void drawFrame(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t thicknessX,
               int64_t thicknessY)
{
    fillRect(page, x0, y0, x1, y0 + thicknessY);
    fillRect(page, x0, y1 - thicknessY, x1, y1);
    fillRect(page, x0, y0, x0 + thicknessX, y1);
    fillRect(page, x1 - thicknessX, y0, x1, y1);
}

void drawLine(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, int64_t h)
{
    const int64_t dx = std::llabs(x1 - x0);
    const int64_t dy = -std::llabs(y1 - y0);
    const int64_t stepX = x0 < x1 ? 1 : -1;
    const int64_t stepY = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        fillRect(page, x0, y0, x0 + w, y0 + h);
        if (x0 == x1 && y0 == y1)
            break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += stepY;
        }
    }
}

void drawEllipse(PageBitmap* page, int64_t cx, int64_t cy, int64_t rx, int64_t ry, int64_t w, int64_t h)
{
    if (rx <= 0 || ry <= 0)
        return;
    // Walk the outline by angle in short straight pieces.
    const int64_t steps = 8 * (rx + ry);
    int64_t lastX = cx + rx;
    int64_t lastY = cy;
    for (int64_t i = 1; i <= steps; ++i) {
        const double angle = 6.283185307179586 * static_cast<double>(i) / static_cast<double>(steps);
        const int64_t x = cx + std::lround(static_cast<double>(rx) * std::cos(angle));
        const int64_t y = cy + std::lround(static_cast<double>(ry) * std::sin(angle));
        drawLine(page, lastX, lastY, x, y, w, h);
        lastX = x;
        lastY = y;
    }
}

void fillDither(PageBitmap* page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int level)
{
    static const uint8_t kBayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
        {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
    };
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, page->width);
    y1 = std::min<int64_t>(y1, page->height);
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x)
            if (kBayer[y % 8][x % 8] < level)
                setPageDot(page, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

int64_t drawText(PageBitmap* page, int64_t x, int64_t y, const char* text, int64_t sx, int64_t sy)
{
    const int64_t startX = x;
    for (const char* p = text; *p != '\0'; ++p) {
        const char* rows = glyphPattern(*p);
        if (rows != nullptr) {
            for (int r = 0; r < kGlyphHeight; ++r)
                for (int c = 0; c < kGlyphWidth; ++c)
                    if (rows[r * kGlyphWidth + c] == '1')
                        fillRect(page, x + c * sx, y + r * sy, x + (c + 1) * sx, y + (r + 1) * sy);
        }
        x += kGlyphAdvance * sx;
    }
    return x - startX;
}

int64_t textWidth(const char* text, int64_t sx)
{
    const int64_t n = static_cast<int64_t>(std::strlen(text));
    // The last glyph's trailing space column is not part of the width.
    return n == 0 ? 0 : (n * kGlyphAdvance - 1) * sx;
}

uint64_t nextRandom(uint64_t* state)
{
    uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t randomBelow(uint64_t* state, uint32_t bound)
{
    return static_cast<uint32_t>((nextRandom(state) >> 32) % bound);
}
