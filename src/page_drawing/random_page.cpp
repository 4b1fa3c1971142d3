#include "page_draw.h"
#include "page_kinds.h"

void drawRandomPage(PageBitmap* page, const PageContent& content)
{
    uint64_t state = content.seed;
    // A dot is set when 24 random bits fall below fill% of 2^24.
    const uint64_t threshold = (static_cast<uint64_t>(content.fillPercent) << 24) / 100;
    for (uint32_t y = 0; y < page->height; ++y)
        for (uint32_t x = 0; x < page->width; ++x)
            if ((nextRandom(&state) >> 40) < threshold)
                setPageDot(page, x, y);
}
