#include "decoded.h"

#include <string_view>

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

PageBitmap decodedBitmap(const Page& page, uint32_t hdpi, uint32_t vdpi, uint32_t width, uint32_t height,
                         uint64_t* outside)
{
    PageBitmap out;
    initPageBitmap(&out, width, height);
    *outside = 0;
    for (const Dot& d : pageDots(page, hdpi, vdpi)) {
        if (d.x < 0 || d.y < 0 || d.x >= width || d.y >= height)
            ++*outside;
        else
            setPageDot(&out, static_cast<uint32_t>(d.x), static_cast<uint32_t>(d.y));
    }
    return out;
}

std::string firstDifference(const PageBitmap& want, const PageBitmap& got)
{
    if (want.width != got.width || want.height != got.height)
        return "sizes differ";
    if (want.bits == got.bits)
        return "";
    for (uint32_t y = 0; y < want.height; ++y)
        for (uint32_t x = 0; x < want.width; ++x)
            if (pageDot(want, x, y) != pageDot(got, x, y))
                return std::to_string(x) + "," + std::to_string(y) + " (want " + std::to_string(pageDot(want, x, y)) +
                       " got " + std::to_string(pageDot(got, x, y)) + ")";
    return "";
}

size_t StreamBytes::add(const std::vector<int>& piece)
{
    starts.push_back(bytes.size());
    for (int b : piece)
        bytes.push_back(static_cast<uint8_t>(b));
    return starts.back();
}

size_t StreamBytes::addImage(int mode, const std::vector<uint8_t>& data, uint32_t columns)
{
    const size_t offset = add({0x1B, '*', mode, static_cast<int>(columns & 0xFF), static_cast<int>(columns >> 8)});
    bytes.insert(bytes.end(), data.begin(), data.end());
    return offset;
}

size_t StreamBytes::addPacketExit()
{
    const size_t offset = add({0x00, 0x00, 0x00, 0x1B, 0x01});
    for (char c : std::string_view("@ZRP 1284.4\n@ZRP     \n"))
        bytes.push_back(static_cast<uint8_t>(c));
    return offset;
}
