// The printer application's reading of a client's raster pages: any PWG or
// Apple raster stream (the first byte picks the job's sheet) checked page
// by page and put on the sheet line by line, as printRasterDocument does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <cups/raster.h>

#include "printer_app/raster_page.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t left;
};

ssize_t readInput(void* context, unsigned char* buffer, size_t bytes)
{
    auto* input = static_cast<Input*>(context);
    const size_t n = bytes < input->left ? bytes : input->left;
    std::memcpy(buffer, input->data, n);
    input->data += n;
    input->left -= n;
    return static_cast<ssize_t>(n);
}

// The drivers' resolutions on a US Letter or an A4 sheet.
cups_page_header2_t sheetFor(uint8_t choice)
{
    static const unsigned kResolutions[][2] = {{60, 72}, {120, 72}, {240, 72}, {60, 180}, {180, 180}, {360, 360}};
    const unsigned* dpi = kResolutions[choice % 6];
    cups_page_header2_t sheet{};
    sheet.HWResolution[0] = dpi[0];
    sheet.HWResolution[1] = dpi[1];
    sheet.cupsWidth = (choice & 0x80 ? 827u : 850u) * dpi[0] / 100;
    sheet.cupsHeight = (choice & 0x80 ? 1169u : 1100u) * dpi[1] / 100;
    sheet.cupsBitsPerColor = sheet.cupsBitsPerPixel = 1;
    sheet.cupsColorSpace = CUPS_CSPACE_K;
    sheet.cupsBytesPerLine = (sheet.cupsWidth + 7) / 8;
    return sheet;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const cups_page_header2_t sheet = sheetFor(data[0]);
    unsigned char dither[16][16];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            dither[y][x] = static_cast<unsigned char>((y * 16 + x) * 255 / 256);
    Input input{data + 1, size - 1};
    cups_raster_t* raster = cupsRasterOpenIO(readInput, &input, CUPS_RASTER_READ);
    if (raster == nullptr)
        return 0;
    cups_page_header2_t page;
    std::vector<unsigned char> pageLine, sheetLine(sheet.cupsBytesPerLine);
    for (unsigned number = 1; number <= 4 && cupsRasterReadHeader2(raster, &page) != 0; ++number) {
        char message[200];
        const PageKind kind = classifyPage(page, number, message, sizeof message);
        if (kind == PageKind::Unprintable)
            break;
        PagePlacement placement;
        placePage(page, kind, sheet, &placement);
        pageLine.assign(page.cupsBytesPerLine, 0);
        int64_t rowsRead = 0;
        bool ended = false;
        // The top of the sheet and its last line: enough to reach every case.
        for (uint32_t i = 0; i < 50 && !ended; ++i) {
            const uint32_t y = i < 49 ? i : sheet.cupsHeight - 1;
            const int64_t row = pageRowForSheetRow(placement, y);
            for (; row >= 0 && rowsRead <= row && !ended; ++rowsRead)
                ended = cupsRasterReadPixels(raster, pageLine.data(), page.cupsBytesPerLine) == 0;
            renderSheetLine(placement, row >= 0 && !ended ? pageLine.data() : nullptr, y, dither, sheetLine.data());
        }
        if (ended)
            break;
        for (; rowsRead < page.cupsHeight; ++rowsRead)
            if (cupsRasterReadPixels(raster, pageLine.data(), page.cupsBytesPerLine) == 0)
                break;
    }
    cupsRasterClose(raster);
    return 0;
}
