#include "decoded.h"

DecodedStream decodeBytes(const std::vector<uint8_t>& bytes, int pins)
{
    PrinterClass printer;
    printerClassForPins(pins, &printer);
    DecodedStream d;
    decodeStream(bytes.data(), bytes.size(), printer, &d);
    return d;
}

PageBitmap clipPage(const PageBitmap& page, uint32_t width, uint32_t height)
{
    PageBitmap out;
    initPageBitmap(&out, width, height);
    for (uint32_t y = 0; y < height && y < page.height; ++y)
        for (uint32_t x = 0; x < width && x < page.width; ++x)
            if (pageDot(page, x, y))
                setPageDot(&out, x, y);
    return out;
}

std::string firstDifference(const PageBitmap& want, const PageBitmap& got)
{
    if (want.width != got.width || want.height != got.height)
        return "sizes differ";
    for (uint32_t y = 0; y < want.height; ++y)
        for (uint32_t x = 0; x < want.width; ++x)
            if (pageDot(want, x, y) != pageDot(got, x, y))
                return std::to_string(x) + "," + std::to_string(y) + " (want " + std::to_string(pageDot(want, x, y)) +
                       " got " + std::to_string(pageDot(got, x, y)) + ")";
    return "";
}
