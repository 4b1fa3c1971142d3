#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "raster_pages.h"

namespace {

uint32_t pointsToDots(double points, uint32_t dpi)
{
    // Truncated, as the filter sizes the printable area.
    const double dots = points * dpi / 72.0;
    return dots <= 0 ? 0 : static_cast<uint32_t>(dots);
}

unsigned roundPoints(double points)
{
    return points <= 0 ? 0 : static_cast<unsigned>(std::lround(points));
}

} // namespace

int checkRasterJob(const RasterJob& job)
{
    if (job.pages < 1 || job.hdpi == 0 || job.vdpi == 0 || job.rowCount == 0 || job.copies == 0 ||
        job.fillPercent > 100)
        return 22;
    if (!(job.mediaWidthPt > 2 * kSideMarginPt) || !(job.mediaLengthPt > 2 * kEndMarginPt))
        return 22;
    // Keep a page within a gigabyte of bits.
    const double dots = static_cast<double>(job.mediaWidthPt) * job.hdpi / 72.0 *
                        (static_cast<double>(job.mediaLengthPt) * job.vdpi / 72.0);
    return dots < 8.0 * 1024 * 1024 * 1024 ? 0 : 22;
}

PageLayout jobPageLayout(const RasterJob& job)
{
    PageLayout layout;
    layout.hdpi = job.hdpi;
    layout.vdpi = job.vdpi;
    layout.width = static_cast<uint32_t>(std::lround(static_cast<double>(job.mediaWidthPt) * job.hdpi / 72.0));
    layout.height = static_cast<uint32_t>(std::lround(static_cast<double>(job.mediaLengthPt) * job.vdpi / 72.0));
    layout.printWidth = std::min(layout.width, pointsToDots(job.mediaWidthPt - 2.0 * kSideMarginPt, job.hdpi));
    layout.printHeight = std::min(layout.height, pointsToDots(job.mediaLengthPt - 2.0 * kEndMarginPt, job.vdpi));
    return layout;
}

PageContent jobPageContent(const RasterJob& job, int pageNumber)
{
    PageContent content;
    content.kind = job.kind;
    content.fillPercent = job.fillPercent;
    content.seed = job.seed + static_cast<uint64_t>(pageNumber - 1);
    content.pageNumber = pageNumber;
    content.pageCount = job.pages;
    content.mediaName = job.mediaName;
    return content;
}

void makePageHeader(const RasterJob& job, cups_page_header2_t* header)
{
    std::memset(header, 0, sizeof *header);
    const PageLayout layout = jobPageLayout(job);
    const float w = job.mediaWidthPt;
    const float l = job.mediaLengthPt;

    header->HWResolution[0] = job.hdpi;
    header->HWResolution[1] = job.vdpi;
    header->PageSize[0] = roundPoints(w);
    header->PageSize[1] = roundPoints(l);
    header->ImagingBoundingBox[0] = roundPoints(kSideMarginPt);
    header->ImagingBoundingBox[1] = roundPoints(kEndMarginPt);
    header->ImagingBoundingBox[2] = roundPoints(w - kSideMarginPt);
    header->ImagingBoundingBox[3] = roundPoints(l - kEndMarginPt);
    header->Margins[0] = roundPoints(kSideMarginPt);
    header->Margins[1] = roundPoints(kEndMarginPt);
    header->NumCopies = job.copies;

    header->cupsWidth = layout.width;
    header->cupsHeight = layout.height;
    header->cupsBitsPerColor = 1;
    header->cupsBitsPerPixel = 1;
    header->cupsBytesPerLine = (layout.width + 7) / 8;
    header->cupsColorOrder = CUPS_ORDER_CHUNKED;
    header->cupsColorSpace = CUPS_CSPACE_K;
    header->cupsRowCount = job.rowCount;

    header->cupsNumColors = 1;
    header->cupsBorderlessScalingFactor = 1.0f;
    header->cupsPageSize[0] = w;
    header->cupsPageSize[1] = l;
    header->cupsImagingBBox[0] = kSideMarginPt;
    header->cupsImagingBBox[1] = kEndMarginPt;
    header->cupsImagingBBox[2] = w - kSideMarginPt;
    header->cupsImagingBBox[3] = l - kEndMarginPt;
    std::snprintf(header->cupsPageSizeName, sizeof header->cupsPageSizeName, "%s", job.mediaName.c_str());
}

int writeRasterJob(int fd, const RasterJob& job)
{
    if (fd < 0 || checkRasterJob(job) != 0)
        return 22;
    cups_raster_t* raster = cupsRasterOpen(fd, job.compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    if (raster == nullptr)
        return 5;
    cups_page_header2_t header;
    makePageHeader(job, &header);
    const PageLayout layout = jobPageLayout(job);
    int status = 0;
    PageBitmap page;
    for (int n = 1; n <= job.pages && status == 0; ++n) {
        status = fillPage(&page, layout, jobPageContent(job, n));
        if (status != 0)
            break;
        if (!cupsRasterWriteHeader2(raster, &header)) {
            status = 5;
            break;
        }
        for (uint32_t y = 0; y < page.height; ++y) {
            unsigned char* line = page.bits.data() + static_cast<size_t>(y) * page.bytesPerLine;
            if (cupsRasterWritePixels(raster, line, page.bytesPerLine) != page.bytesPerLine) {
                status = 5;
                break;
            }
        }
    }
    cupsRasterClose(raster);
    return status;
}
