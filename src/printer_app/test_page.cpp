#include "printer_app/test_page.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <png.h>
#include <unistd.h>

#include "printer_app/media_table.h"
#include "raster_pages.h"

namespace {

// Writes the page as an 8-bit grey PNG (black dots, white paper); 0 or 1.
int writePng(int fd, const PageBitmap& page)
{
    std::vector<png_byte> pixels(static_cast<size_t>(page.width) * page.height, 255);
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x)
            if (pageDot(page, x, y))
                pixels[static_cast<size_t>(y) * page.width + x] = 0;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = page.width;
    png.height = page.height;
    png.format = PNG_FORMAT_GRAY;
    FILE* file = fdopen(fd, "wb");
    if (file == nullptr)
        return 1;
    const int written = png_image_write_to_stdio(&png, file, 0, pixels.data(), 0, nullptr);
    return std::fclose(file) == 0 && written != 0 ? 0 : 1;
}

} // namespace

const char* makeTestPage(pappl_printer_t* printer, char* buffer, size_t size)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(printer, &data);
    pappl_media_col_t media = data.media_default;
    MediaSize mediaSize;
    if (pageSizeForMedia(&media, &mediaSize) != 0 || data.x_default <= 0 || data.y_default <= 0)
        return nullptr;
    // A picture has square pixels: drawn at the coarser of the two
    // resolutions, its thinnest lines still cover a whole dot row or column
    // when the job stretches it to the printable area.
    const int dpi = data.x_default < data.y_default ? data.x_default : data.y_default;
    PageLayout layout;
    layout.hdpi = layout.vdpi = static_cast<uint32_t>(dpi);
    const impact::PageGeometry& pageSize = mediaSize.page;
    layout.width = layout.printWidth = static_cast<uint32_t>((pageSize.right - pageSize.left) * dpi / 72);
    layout.height = layout.printHeight = static_cast<uint32_t>((pageSize.top - pageSize.bottom) * dpi / 72);
    PageContent content;
    content.mediaName = mediaSize.name;
    PageBitmap page;
    if (fillPage(&page, layout, content) != 0)
        return nullptr;

    const char* tmpdir = std::getenv("TMPDIR");
    std::snprintf(buffer, size, "%s/impact-testpage-XXXXXX.png", tmpdir != nullptr ? tmpdir : "/tmp");
    const int fd = mkstemps(buffer, 4);
    if (fd < 0)
        return nullptr;
    if (writePng(fd, page) != 0) {
        unlink(buffer);
        return nullptr;
    }
    return buffer;
}
