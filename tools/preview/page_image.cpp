#include "page_image.h"

#include <algorithm>
#include <cmath>

#include "text_font.h"

namespace {

// Pen of one dot: a square up to 2 pixels across, a disc above.
struct Pen {
    int64_t diameter;
};

Pen penFor(const BitImage& image, uint32_t dpi)
{
    const int64_t d = std::llround(static_cast<double>(image.rowPitch) * dpi / kUnitsPerInch);
    return {std::max<int64_t>(1, d)};
}

// Blackens the pixels whose centres lie within the pen's disc. The dot's
// centre is the centre of pixel (cx, cy) for an odd diameter and that
// pixel's top-left corner for an even one, so the pen covers exactly
// `diameter` pixels across.
void stamp(PageImage* out, int64_t cx, int64_t cy, Pen pen)
{
    const int64_t lo = -(pen.diameter / 2);
    const int64_t hi = lo + pen.diameter; // exclusive
    const double r = pen.diameter / 2.0;
    const double shift = pen.diameter % 2 == 0 ? 0.5 : 0.0; // pixel centre from the dot centre
    for (int64_t dy = lo; dy < hi; ++dy) {
        const int64_t y = cy + dy;
        if (y < 0 || y >= out->height)
            continue;
        for (int64_t dx = lo; dx < hi; ++dx) {
            const int64_t x = cx + dx;
            if (x < 0 || x >= out->width)
                continue;
            const double px = dx + shift;
            const double py = dy + shift;
            if (pen.diameter > 2 && px * px + py * py > r * r)
                continue;
            out->pixels[static_cast<size_t>(y) * out->width + static_cast<size_t>(x)] = 0;
        }
    }
}

template <typename Visit>
void forEachDot(const BitImage& image, uint32_t dpi, Visit visit)
{
    for (uint32_t col = 0; col < image.columns; ++col) {
        const uint8_t* column = image.data.data() + static_cast<size_t>(col) * image.bytesPerColumn;
        const int64_t x = unitsToDots(image.x + static_cast<int64_t>(col) * image.columnPitch, dpi);
        for (uint32_t row = 0; row < image.dotsPerColumn; ++row)
            if (column[row / 8] & (0x80 >> (row % 8)))
                visit(x, unitsToDots(image.y + static_cast<int64_t>(row) * image.rowPitch, dpi));
    }
}

} // namespace

int renderPageImage(const Page& page, const PrinterClass& printer, const PreviewOptions& options, PageImage* image)
{
    if (image == nullptr || options.dpi == 0)
        return 22;
    const int64_t lengthUnits = page.hasLength && page.length != 0
                                    ? pageLengthUnits(page, printer)
                                    : std::llround(options.defaultLengthInches * kUnitsPerInch);
    int64_t width = std::llround(options.widthInches * options.dpi);
    int64_t height = unitsToDots(lengthUnits, options.dpi);
    for (const BitImage& bi : page.images) {
        // A pen reaches this far right of and below its dot's pixel.
        const int64_t d = penFor(bi, options.dpi).diameter;
        const int64_t reach = d - d / 2;
        forEachDot(bi, options.dpi, [&](int64_t x, int64_t y) {
            width = std::max(width, x + reach);
            height = std::max(height, y + reach);
        });
    }
    for (const TextChar& ch : page.chars) {
        width = std::max(width, unitsToDots(ch.x + ch.width, options.dpi));
        height = std::max(height, unitsToDots(ch.y + textCharDepth(ch), options.dpi));
    }
    width = std::max<int64_t>(width, 1);
    height = std::max<int64_t>(height, 1);
    if (width * height > (int64_t{1} << 31))
        return 22;
    image->width = static_cast<uint32_t>(width);
    image->height = static_cast<uint32_t>(height);
    image->pixels.assign(static_cast<size_t>(width * height), 255);
    image->dots = pageDotCount(page);
    for (const BitImage& bi : page.images) {
        const Pen pen = penFor(bi, options.dpi);
        forEachDot(bi, options.dpi, [&](int64_t x, int64_t y) { stamp(image, x, y, pen); });
    }
    for (const TextChar& ch : page.chars)
        drawTextChar(ch, options.dpi, image);
    image->chars = page.chars.size();
    return 0;
}
