#include "printer_app/page_geometry.h"

#include <cmath>
#include <cstring>

#include "engine/job/page_flow.h"
#include "printer_app/media_table.h"

namespace {

uint32_t dotsCovering(float points, uint32_t dpi)
{
    const double dots = std::ceil(points * dpi / 72.0 - 1e-6);
    return dots > 0 ? static_cast<uint32_t>(dots) : 0;
}

} // namespace

int planSheetCrop(const cups_page_header2_t* sheet, const impact::PageGeometry* pageSize, uint32_t rows,
                  SheetCrop* crop, cups_page_header2_t* engineHeader)
{
    const uint32_t hdpi = sheet->HWResolution[0], vdpi = sheet->HWResolution[1];
    if (!impact::pageHeaderUsable(sheet) || hdpi == 0 || vdpi == 0)
        return 22;
    // Ghostscript, drawing the printable area for the CUPS filter, starts it
    // a fraction of a dot into the sheet where the margin is not a whole
    // number of dots, and inks every dot a shape touches: a shape's left or
    // top edge lands on the dot the margin's end falls in. Skipping the
    // margin rounded up puts it there too.
    crop->skipDots = dotsCovering(pageSize->left, hdpi);
    crop->skipLines = dotsCovering(pageSize->length - pageSize->top, vdpi);
    crop->sheetBytes = sheet->cupsBytesPerLine;
    crop->dots = dotsCovering(pageSize->right - pageSize->left, hdpi);
    crop->lines = dotsCovering(pageSize->top - pageSize->bottom, vdpi);
    crop->bytes = (crop->dots + 7) / 8;
    if (crop->dots == 0 || crop->lines == 0)
        return 22;

    *engineHeader = *sheet;
    engineHeader->cupsWidth = crop->dots;
    engineHeader->cupsHeight = crop->lines;
    engineHeader->cupsBytesPerLine = crop->bytes;
    engineHeader->cupsRowCount = rows;
    engineHeader->cupsColorSpace = CUPS_CSPACE_K;
    engineHeader->cupsBitsPerColor = 1;
    engineHeader->NumCopies = 1;
    for (int i = 0; i < 2; ++i)
        engineHeader->PageSize[i] = static_cast<unsigned>(i == 0 ? pageSize->width : pageSize->length);
    engineHeader->ImagingBoundingBox[0] = static_cast<unsigned>(pageSize->left);
    engineHeader->ImagingBoundingBox[1] = static_cast<unsigned>(pageSize->bottom);
    engineHeader->ImagingBoundingBox[2] = static_cast<unsigned>(pageSize->right);
    engineHeader->ImagingBoundingBox[3] = static_cast<unsigned>(pageSize->top);
    return 0;
}

void cropSheetLine(const SheetCrop* crop, const unsigned char* sheetLine, unsigned char* out)
{
    const uint32_t first = crop->skipDots / 8;
    const unsigned shift = crop->skipDots % 8;
    for (uint32_t i = 0; i < crop->bytes; ++i) {
        const uint32_t at = first + i;
        unsigned value = at < crop->sheetBytes ? sheetLine[at] : 0;
        if (shift != 0) {
            const unsigned next = at + 1 < crop->sheetBytes ? sheetLine[at + 1] : 0;
            value = ((value << shift) | (next >> (8 - shift))) & 0xFF;
        }
        out[i] = static_cast<unsigned char>(value);
    }
    const unsigned tail = crop->dots % 8;
    if (tail != 0)
        out[crop->bytes - 1] &= static_cast<unsigned char>(0xFF << (8 - tail));
}
