#include <algorithm>

#include "block_font.h"
#include "page_draw.h"
#include "page_kinds.h"

namespace {

int64_t atLeastOne(double v)
{
    const int64_t n = static_cast<int64_t>(v + 0.5);
    return n < 1 ? 1 : n;
}

} // namespace

// Lines of block-font letters about 1/10 inch high, six lines to the inch:
// words of 1 to 10 letters, paragraphs separated by a short line and a
// blank line.
void drawTextBlock(PageBitmap* page, const PageLayout& layout, int64_t left, int64_t top, int64_t right,
                   int64_t bottom, uint64_t seed)
{
    static const char kLetters[] = "ETAOINSHRDLUCMFWYPVBGKQJXZ0123456789";
    const int64_t sx = atLeastOne(layout.hdpi * 0.075 / kGlyphWidth);
    const int64_t sy = atLeastOne(layout.vdpi * 0.1 / kGlyphHeight);
    const int64_t advance = kGlyphAdvance * sx;
    const int64_t linePitch = std::max<int64_t>(kGlyphHeight * sy + sy, atLeastOne(layout.vdpi / 6.0));

    uint64_t state = seed;
    int linesInParagraph = 4 + static_cast<int>(randomBelow(&state, 8));
    for (int64_t y = top; y + kGlyphHeight * sy <= bottom; y += linePitch) {
        const bool lastLine = --linesInParagraph == 0;
        // The last line of a paragraph stops short.
        const int64_t lineEnd = lastLine ? left + (right - left) * (20 + randomBelow(&state, 60)) / 100 : right;
        int64_t x = left;
        for (;;) {
            const int letters = 1 + static_cast<int>(randomBelow(&state, 4) + randomBelow(&state, 4) +
                                                     randomBelow(&state, 3));
            if (x + letters * advance - sx > lineEnd)
                break;
            char word[16] = {};
            for (int i = 0; i < letters; ++i)
                word[i] = kLetters[randomBelow(&state, sizeof kLetters - 1)];
            x += drawText(page, x, y, word, sx, sy) + advance;
        }
        if (lastLine) {
            y += linePitch; // blank line between paragraphs
            linesInParagraph = 4 + static_cast<int>(randomBelow(&state, 8));
        }
    }
}

// Text lines inside a half-inch margin of the printable area.
void drawTextPage(PageBitmap* page, const PageLayout& layout, const PageContent& content)
{
    const int64_t marginX = layout.hdpi / 2;
    const int64_t marginY = layout.vdpi / 2;
    drawTextBlock(page, layout, marginX, marginY, static_cast<int64_t>(layout.printWidth) - marginX,
                  static_cast<int64_t>(layout.printHeight) - marginY, content.seed);
}
