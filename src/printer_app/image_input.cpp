#include "printer_app/image_input.h"

#include <cstring>
#include <vector>

#include "printer_app/image_decode.h"
#include "printer_app/page_geometry.h"
#include "printer_app/pappl_job_host.h"

using namespace impact;

namespace {

// Where the image goes on the printable area, in dots and lines.
struct Placement {
    int64_t left, top;     // may be negative: the image is cropped
    int64_t width, height; // > 0
};

Placement placeImage(const GrayImage& image, const SheetCrop& area, unsigned xdpi, unsigned ydpi,
                     pappl_scaling_t scaling)
{
    const double areaW = static_cast<double>(area.dots) / xdpi; // inches
    const double areaH = static_cast<double>(area.lines) / ydpi;
    const double fit = std::min(areaW / image.width, areaH / image.height); // inches per pixel
    const double fill = std::max(areaW / image.width, areaH / image.height);
    double perPixel = fit;
    if (scaling == PAPPL_SCALING_FILL)
        perPixel = fill;
    else if ((scaling == PAPPL_SCALING_NONE || scaling == PAPPL_SCALING_AUTO ||
              scaling == PAPPL_SCALING_AUTO_FIT) && image.ppi > 0 && 1.0 / image.ppi <= fit)
        perPixel = 1.0 / image.ppi; // at its own size when it fits
    else if (scaling == PAPPL_SCALING_NONE && image.ppi > 0)
        perPixel = 1.0 / image.ppi; // cropped
    Placement p;
    p.width = static_cast<int64_t>(image.width * perPixel * xdpi + 0.5);
    p.height = static_cast<int64_t>(image.height * perPixel * ydpi + 0.5);
    if (p.width < 1)
        p.width = 1;
    if (p.height < 1)
        p.height = 1;
    p.left = (static_cast<int64_t>(area.dots) - p.width) / 2;
    p.top = (static_cast<int64_t>(area.lines) - p.height) / 2;
    return p;
}

// One printable line: the image's row under line y, sampled to the dots
// it covers and dithered.
void renderLine(const GrayImage& image, const Placement& p, const pappl_dither_t dither, uint32_t y,
                const SheetCrop& area, const std::vector<uint32_t>& sourceColumn, unsigned char* line)
{
    std::memset(line, 0, area.bytes);
    const int64_t row = static_cast<int64_t>(y) - p.top;
    if (row < 0 || row >= p.height)
        return;
    const uint8_t* source = image.pixels.data() + static_cast<size_t>(row * image.height / p.height) * image.width;
    const unsigned char* thresholds = dither[y & 15];
    for (uint32_t x = 0; x < area.dots; ++x) {
        const uint32_t column = sourceColumn[x];
        if (column == UINT32_MAX)
            continue;
        const unsigned darkness = 255u - source[column];
        if (darkness > thresholds[x & 15])
            line[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
}

// Prints the job's image. 0, or 1 with the job's message set.
int printImage(PrintJob* job, const pappl_pr_options_t* options)
{
    GrayImage image;
    if (decodeImage(papplJobGetFilename(job->job), &image) != 0) {
        failPrintJob(job, "The image could not be read.");
        return 1;
    }
    SheetCrop area;
    cups_page_header2_t header;
    if (!planJobSheet(job, options, &area, &header))
        return 1;
    const unsigned xdpi = header.HWResolution[0], ydpi = header.HWResolution[1];
    const Placement placement = placeImage(image, area, xdpi, ydpi, options->print_scaling);
    std::vector<uint32_t> sourceColumn(area.dots, UINT32_MAX);
    for (uint32_t x = 0; x < area.dots; ++x) {
        const int64_t column = static_cast<int64_t>(x) - placement.left;
        if (column >= 0 && column < placement.width)
            sourceColumn[x] = static_cast<uint32_t>(column * image.width / placement.width);
    }
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job->job), &data);
    const bool photo = (options->print_content_optimize & PAPPL_CONTENT_PHOTO) != 0;

    std::vector<unsigned char> line(area.bytes);
    const int copies = options->copies < 1 ? 1 : options->copies;
    for (int copy = 0; copy < copies; ++copy) {
        if (checkCancelled(job) || printJobStartPage(job, &header) != 0)
            return job->cancelled ? 0 : 1;
        for (uint32_t y = 0; y < area.lines; ++y) {
            renderLine(image, placement, photo ? data.pdither : data.gdither, y, area, sourceColumn, line.data());
            if (printJobPushLine(job, line.data()) != 0)
                return job->cancelled ? 0 : 1;
        }
        if (printJobFinishPage(job) != 0)
            return job->cancelled ? 0 : 1;
    }
    return 0;
}

} // namespace

bool printImageDocument(pappl_job_t* papplJob, pappl_device_t* device, void*)
{
    return runSheetJob(papplJob, device, printImage);
}
