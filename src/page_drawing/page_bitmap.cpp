#include <cstring>

#include "page_bitmap.h"

int parsePageKind(const char* text, PageKind* kind)
{
    static const struct {
        const char* name;
        PageKind kind;
    } kKinds[] = {
        {"sample", PageKind::Sample}, {"text", PageKind::Text}, {"random", PageKind::Random}, {"blank", PageKind::Blank}};
    if (text == nullptr || kind == nullptr)
        return 22;
    for (const auto& k : kKinds) {
        if (std::strcmp(text, k.name) == 0) {
            *kind = k.kind;
            return 0;
        }
    }
    return 22;
}

const char* pageKindName(PageKind kind)
{
    switch (kind) {
    case PageKind::Sample:
        return "sample";
    case PageKind::Text:
        return "text";
    case PageKind::Random:
        return "random";
    case PageKind::Blank:
        return "blank";
    }
    return "?";
}

void initPageBitmap(PageBitmap* page, uint32_t width, uint32_t height)
{
    page->width = width;
    page->height = height;
    page->bytesPerLine = (width + 7) / 8;
    page->bits.assign(static_cast<size_t>(page->bytesPerLine) * height, 0);
}

int pageDot(const PageBitmap& page, uint32_t x, uint32_t y)
{
    if (x >= page.width || y >= page.height)
        return 0;
    return (page.bits[static_cast<size_t>(y) * page.bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
}

void setPageDot(PageBitmap* page, uint32_t x, uint32_t y)
{
    if (x >= page->width || y >= page->height)
        return;
    page->bits[static_cast<size_t>(y) * page->bytesPerLine + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

uint64_t countPageDots(const PageBitmap& page)
{
    uint64_t n = 0;
    for (uint8_t b : page.bits)
        n += static_cast<uint64_t>(__builtin_popcount(b));
    return n;
}
