#include <algorithm>
#include <cstdio>
#include <cstring>

#include "block_font.h"
#include "page_draw.h"
#include "page_kinds.h"

namespace {

// Lengths in inches turned into dots across (X) and down (Y).
struct Inches {
    double hdpi;
    double vdpi;
    int64_t x(double in) const { return static_cast<int64_t>(in * hdpi + 0.5); }
    int64_t y(double in) const { return static_cast<int64_t>(in * vdpi + 0.5); }
    int64_t penX() const { return std::max<int64_t>(1, x(1.0 / 90)); }
    int64_t penY() const { return std::max<int64_t>(1, y(1.0 / 90)); }
};

// Font scale for lettering about `height` inches high.
void fontScale(const Inches& in, double height, int64_t* sx, int64_t* sy)
{
    *sy = std::max<int64_t>(1, in.y(height / kGlyphHeight));
    *sx = std::max<int64_t>(1, in.x(height / kGlyphHeight));
}

// Centred lettering, shrunk to fit the width; returns its height.
int64_t drawCentred(PageBitmap* page, const Inches& in, int64_t left, int64_t right, int64_t y, const char* text,
                    double height)
{
    int64_t sx = 0;
    int64_t sy = 0;
    fontScale(in, height, &sx, &sy);
    while (sx > 1 && textWidth(text, sx) > right - left)
        --sx;
    drawText(page, left + (right - left - textWidth(text, sx)) / 2, y, text, sx, sy);
    return kGlyphHeight * sy;
}

// A ruler along a line: a base rule, ticks every 1/10 inch, longer at the
// half inch and the inch, inch numbers beside the inch ticks.
void drawHorizontalRuler(PageBitmap* page, const Inches& in, int64_t left, int64_t right, int64_t y)
{
    int64_t sx = 0;
    int64_t sy = 0;
    fontScale(in, 0.07, &sx, &sy);
    fillRect(page, left, y, right, y + in.penY());
    for (int tenth = 0;; ++tenth) {
        const int64_t x = left + in.x(tenth / 10.0);
        if (x >= right)
            break;
        const double len = tenth % 10 == 0 ? 0.15 : tenth % 5 == 0 ? 0.1 : 0.05;
        fillRect(page, x, y, x + in.penX(), y + in.y(len));
        if (tenth % 10 == 0 && tenth > 0) {
            char label[16];
            std::snprintf(label, sizeof label, "%d", tenth / 10);
            drawText(page, x + in.x(0.03), y + in.y(0.08), label, sx, sy);
        }
    }
}

void drawVerticalRuler(PageBitmap* page, const Inches& in, int64_t x, int64_t top, int64_t bottom)
{
    int64_t sx = 0;
    int64_t sy = 0;
    fontScale(in, 0.07, &sx, &sy);
    fillRect(page, x, top, x + in.penX(), bottom);
    for (int tenth = 0;; ++tenth) {
        const int64_t y = top + in.y(tenth / 10.0);
        if (y >= bottom)
            break;
        const double len = tenth % 10 == 0 ? 0.15 : tenth % 5 == 0 ? 0.1 : 0.05;
        fillRect(page, x, y, x + in.x(len), y + in.penY());
        if (tenth % 10 == 0 && tenth > 0) {
            char label[16];
            std::snprintf(label, sizeof label, "%d", tenth / 10);
            drawText(page, x + in.x(0.08), y + in.y(0.03), label, sx, sy);
        }
    }
}

// Boxes of ordered-dither grey from white to black, with percentages.
int64_t drawGreyRamp(PageBitmap* page, const Inches& in, int64_t left, int64_t right, int64_t y)
{
    const int kSteps = 9;
    const int64_t gap = in.x(0.08);
    const int64_t boxW = std::min<int64_t>(in.x(0.7), (right - left - (kSteps - 1) * gap) / kSteps);
    const int64_t boxH = in.y(0.5);
    int64_t lsx = 0;
    int64_t lsy = 0;
    fontScale(in, 0.07, &lsx, &lsy);
    const int64_t start = left + (right - left - kSteps * boxW - (kSteps - 1) * gap) / 2;
    for (int i = 0; i < kSteps; ++i) {
        const int level = i * 64 / (kSteps - 1);
        const int64_t x = start + i * (boxW + gap);
        fillDither(page, x, y, x + boxW, y + boxH, level);
        drawFrame(page, x, y, x + boxW, y + boxH, in.penX(), in.penY());
        char label[16];
        std::snprintf(label, sizeof label, "%d%%", level * 100 / 64);
        drawText(page, x + (boxW - textWidth(label, lsx)) / 2, y + boxH + in.y(0.05), label, lsx, lsy);
    }
    return boxH + in.y(0.05) + kGlyphHeight * lsy;
}

// Rules one to four dots thick, across and down, and a one-inch circle
// inside a square with its diagonals (a circle that prints round shows the
// two resolutions agree).
int64_t drawRulesAndCircle(PageBitmap* page, const Inches& in, int64_t left, int64_t right, int64_t y)
{
    const int64_t height = in.y(1.2);
    const int64_t blockW = (right - left) / 3;
    int64_t sx = 0;
    int64_t sy = 0;
    fontScale(in, 0.07, &sx, &sy);

    // Horizontal rules of 1..4 dots.
    drawText(page, left, y, "RULES 1-4 DOTS", sx, sy);
    for (int t = 1; t <= 4; ++t) {
        const int64_t ry = y + in.y(0.15) + (t - 1) * in.y(0.25);
        fillRect(page, left, ry, left + blockW - in.x(0.2), ry + t);
    }
    // Vertical rules of 1..4 dots.
    const int64_t vx = left + blockW;
    for (int t = 1; t <= 4; ++t) {
        const int64_t rx = vx + (t - 1) * in.x(0.25);
        fillRect(page, rx, y, rx + t, y + height);
    }
    // Alternating single-dot lines and gaps, a resolution check.
    const int64_t gx = vx + in.x(1.1);
    for (int64_t x = gx; x < gx + in.x(0.5); x += 2)
        fillRect(page, x, y, x + 1, y + in.y(0.5));
    for (int64_t ly = y + in.y(0.6); ly < y + in.y(1.1); ly += 2)
        fillRect(page, gx, ly, gx + in.x(0.5), ly + 1);

    // The circle in its square.
    const int64_t cx = left + 2 * blockW + blockW / 2;
    const int64_t cy = y + height / 2;
    const int64_t rx = in.x(0.5);
    const int64_t ry = in.y(0.5);
    drawFrame(page, cx - rx, cy - ry, cx + rx + 1, cy + ry + 1, in.penX(), in.penY());
    drawLine(page, cx - rx, cy - ry, cx + rx, cy + ry, in.penX(), in.penY());
    drawLine(page, cx - rx, cy + ry, cx + rx, cy - ry, in.penX(), in.penY());
    drawEllipse(page, cx, cy, rx, ry, in.penX(), in.penY());
    return height;
}

} // namespace

// A test sheet: a frame on the printable area, a title area, rulers across
// and down, a grey ramp, rules and a circle, and lines of lettering.
void drawSamplePage(PageBitmap* page, const PageLayout& layout, const PageContent& content)
{
    const Inches in{static_cast<double>(layout.hdpi), static_cast<double>(layout.vdpi)};
    const int64_t pw = layout.printWidth;
    const int64_t ph = layout.printHeight;
    if (pw == 0 || ph == 0)
        return;

    drawFrame(page, 0, 0, pw, ph, in.penX() * 2, in.penY() * 2);

    const int64_t left = in.x(0.45);
    const int64_t right = pw - in.x(0.25);
    int64_t y = in.y(0.25);

    // Title area, boxed.
    const int64_t titleTop = y;
    y += in.y(0.12);
    y += drawCentred(page, in, left, right, y, "IMPACT PRINTER TEST PAGE", 0.32);
    y += in.y(0.1);
    char info[96];
    std::snprintf(info, sizeof info, "%s  %u X %u DPI  PAGE %d OF %d", content.mediaName.c_str(), layout.hdpi,
                  layout.vdpi, content.pageNumber, content.pageCount);
    y += drawCentred(page, in, left, right, y, info, 0.1);
    y += in.y(0.12);
    drawFrame(page, left, titleTop, right, y, in.penX(), in.penY());
    y += in.y(0.15);

    // Rulers: across under the title, down the left edge.
    drawHorizontalRuler(page, in, left, right, y);
    drawVerticalRuler(page, in, in.x(0.1), y, ph - in.y(0.25));
    y += in.y(0.4);

    int64_t sx = 0;
    int64_t sy = 0;
    fontScale(in, 0.1, &sx, &sy);
    drawText(page, left, y, "GREY RAMP", sx, sy);
    y += kGlyphHeight * sy + in.y(0.08);
    y += drawGreyRamp(page, in, left, right, y);
    y += in.y(0.3);

    y += drawRulesAndCircle(page, in, left, right, y);
    y += in.y(0.3);

    // Lettering at three sizes.
    static const char* const kLines[] = {
        "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG.",
        "0123456789 - : / . , % #",
        "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS.",
    };
    const double sizes[] = {0.08, 0.12, 0.18};
    for (double size : sizes) {
        for (const char* line : kLines) {
            // Narrower letters where rounding to whole dots makes a line too wide.
            fontScale(in, size, &sx, &sy);
            while (sx > 1 && textWidth(line, sx) > right - left)
                --sx;
            if (y + kGlyphHeight * sy > ph - in.y(0.5))
                break;
            drawText(page, left, y, line, sx, sy);
            y += kGlyphHeight * sy + std::max<int64_t>(1, in.y(size / 2));
        }
        y += in.y(0.1);
    }

    // Running text down to the footer, boxed.
    const int64_t textBottom = ph - in.y(0.55);
    if (textBottom - y > in.y(0.6)) {
        drawFrame(page, left, y, right, textBottom, in.penX(), in.penY());
        drawTextBlock(page, layout, left + in.x(0.15), y + in.y(0.15), right - in.x(0.15), textBottom - in.y(0.1),
                      content.seed);
    }

    // Footer with corner marks inside the frame.
    fontScale(in, 0.08, &sx, &sy);
    drawCentred(page, in, left, right, ph - in.y(0.25) - kGlyphHeight * sy, "END OF PAGE", 0.08);
    const int64_t mark = in.x(0.2);
    const int64_t markY = in.y(0.2);
    const int64_t ix = in.x(0.05);
    const int64_t iy = in.y(0.05);
    drawLine(page, ix, iy, ix + mark, iy + markY, in.penX(), in.penY());
    drawLine(page, pw - 1 - ix, iy, pw - 1 - ix - mark, iy + markY, in.penX(), in.penY());
    drawLine(page, ix, ph - 1 - iy, ix + mark, ph - 1 - iy - markY, in.penX(), in.penY());
    drawLine(page, pw - 1 - ix, ph - 1 - iy, pw - 1 - ix - mark, ph - 1 - iy - markY, in.penX(), in.penY());
}
