#include <algorithm>

#include "impact_decode.h"

int64_t unitsToDots(int64_t units, uint32_t dpi)
{
    // Nearest dot, halves up, also for positions left of or above the origin.
    const int64_t scaled = units * static_cast<int64_t>(dpi) + kUnitsPerInch / 2;
    int64_t q = scaled / kUnitsPerInch;
    if (scaled % kUnitsPerInch != 0 && scaled < 0)
        --q;
    return q;
}

void appendImageDots(const BitImage& image, uint32_t hdpi, uint32_t vdpi, std::vector<Dot>* dots)
{
    for (uint32_t col = 0; col < image.columns; ++col) {
        const uint8_t* column = image.data.data() + static_cast<size_t>(col) * image.bytesPerColumn;
        const int64_t x = unitsToDots(image.x + static_cast<int64_t>(col) * image.columnPitch, hdpi);
        for (uint32_t row = 0; row < image.dotsPerColumn; ++row) {
            if ((column[row / 8] & (0x80 >> (row % 8))) == 0)
                continue;
            dots->push_back({x, unitsToDots(image.y + static_cast<int64_t>(row) * image.rowPitch, vdpi)});
        }
    }
}

std::vector<Dot> pageDots(const Page& page, uint32_t hdpi, uint32_t vdpi)
{
    std::vector<Dot> dots;
    for (const BitImage& image : page.images)
        appendImageDots(image, hdpi, vdpi, &dots);
    auto before = [](const Dot& a, const Dot& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
    auto same = [](const Dot& a, const Dot& b) { return a.x == b.x && a.y == b.y; };
    std::sort(dots.begin(), dots.end(), before);
    dots.erase(std::unique(dots.begin(), dots.end(), same), dots.end());
    return dots;
}

uint64_t imageDotCount(const BitImage& image)
{
    uint64_t n = 0;
    for (uint8_t b : image.data)
        n += static_cast<uint64_t>(__builtin_popcount(b));
    return n;
}

uint64_t pageDotCount(const Page& page)
{
    uint64_t n = 0;
    for (const BitImage& image : page.images)
        n += imageDotCount(image);
    return n;
}
