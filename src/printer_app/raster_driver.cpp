#include "printer_app/raster_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "printer_app/document_routing.h"
#include "printer_app/page_geometry.h"
#include "printer_app/pappl_job_host.h"

using namespace impact;

namespace {

// The raster job: the engine's job and the page being cut from the sheet.
struct RasterJob {
    PrintJob* print;
    SheetCrop crop;
    uint32_t linesPushed; // printable lines handed to the engine on this page
    uint32_t linesSeen;   // sheet lines PAPPL has delivered on this page
    int pageOpen;
    unsigned char* line;  // one printable line
};

RasterJob* rasterJobOf(pappl_job_t* job)
{
    return static_cast<RasterJob*>(papplJobGetData(job));
}

// Pushes blank lines until the page has all its lines.
int padPage(RasterJob* raster)
{
    std::memset(raster->line, 0, raster->crop.bytes);
    while (raster->linesPushed < raster->crop.lines) {
        if (printJobPushLine(raster->print, raster->line) != 0)
            return 1;
        ++raster->linesPushed;
    }
    return 0;
}

} // namespace

bool rasterStartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device)
{
    // A document the application reads itself that PAPPL kept: raster
    // streamed after a Create-Job (its grey pages of another size than the
    // job's overrun PAPPL's line buffer), or an image on a PAPPL whose job
    // record the application does not know (squeezed).
    const char* format = papplJobGetFormat(job);
    if (isPapplReadFormat(format)) {
        papplJobSetMessage(job, std::strncmp(format, "image/pwg", 9) == 0 || std::strcmp(format, "image/urf") == 0
                                    ? "Raster documents are printed when sent with Print-Job, not Send-Document."
                                    : "Images cannot be printed with this version of PAPPL.");
        return false;
    }
    PrintJob* print = openPrintJob(job, options, device);
    if (print == nullptr)
        return false;
    auto* raster = static_cast<RasterJob*>(std::calloc(1, sizeof(RasterJob)));
    if (raster == nullptr) {
        failPrintJob(print, "Out of memory.");
        closePrintJob(print);
        return false;
    }
    raster->print = print;
    papplJobSetData(job, raster);
    return true;
}

bool rasterStartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned)
{
    RasterJob* raster = rasterJobOf(job);
    if (raster == nullptr)
        return false;
    PrintJob* print = raster->print;
    if (checkCancelled(print))
        return true;
    const ResolutionSpec* resolution = findResolution(print->driver, options->header.HWResolution[0],
                                                      options->header.HWResolution[1]);
    cups_page_header2_t header;
    if (resolution == nullptr ||
        planSheetCrop(&options->header, &print->media.page, resolution->rows, &raster->crop, &header) != 0) {
        failPrintJob(print, "The page's resolution or format is not one this printer prints.");
        return false;
    }
    std::free(raster->line);
    raster->line = static_cast<unsigned char*>(std::malloc(raster->crop.bytes));
    if (raster->line == nullptr) {
        failPrintJob(print, "Out of memory.");
        return false;
    }
    raster->linesPushed = 0;
    raster->linesSeen = 0;
    if (printJobStartPage(print, &header) != 0)
        return false;
    raster->pageOpen = 1;
    return true;
}

bool rasterWriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned y,
                     const unsigned char* line)
{
    RasterJob* raster = rasterJobOf(job);
    if (raster == nullptr)
        return false;
    ++raster->linesSeen;
    // After a cancel PAPPL pads the page with blank lines: they are not fed.
    // (The engine asks whether the job is cancelled before each line.)
    if (!raster->pageOpen || raster->print->cancelled)
        return true;
    const SheetCrop& crop = raster->crop;
    if (y < crop.skipLines || y - crop.skipLines >= crop.lines)
        return true;
    // Lines arrive in order; a gap (none expected) is printed blank.
    while (raster->linesPushed < y - crop.skipLines) {
        std::memset(raster->line, 0, crop.bytes);
        if (printJobPushLine(raster->print, raster->line) != 0)
            return false;
        ++raster->linesPushed;
    }
    cropSheetLine(&crop, line, raster->line);
    if (printJobPushLine(raster->print, raster->line) != 0)
        return false;
    ++raster->linesPushed;
    return true;
}

bool rasterEndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page)
{
    RasterJob* raster = rasterJobOf(job);
    if (raster == nullptr)
        return false;
    if (!raster->pageOpen || checkCancelled(raster->print))
        return true;
    raster->pageOpen = 0;
    // PAPPL ends a page whose data stopped short without a word: the
    // document was cut off. The page and the job end on paper there.
    if (raster->linesSeen < options->header.cupsHeight) {
        char message[160];
        std::snprintf(message, sizeof message, "The document data ended in the middle of page %u.", page);
        failJob(&raster->print->engine, impact::JobResult::BadData);
        failPrintJob(raster->print, message);
        return false;
    }
    if (padPage(raster) != 0)
        return raster->print->cancelled != 0;
    return printJobFinishPage(raster->print) == 0;
}

bool rasterEndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*)
{
    RasterJob* raster = rasterJobOf(job);
    if (raster == nullptr)
        return false;
    papplJobSetData(job, nullptr);
    checkCancelled(raster->print);
    const int cancelled = raster->print->cancelled;
    const int printed = closePrintJob(raster->print);
    std::free(raster->line);
    std::free(raster);
    return printed != 0 || cancelled != 0;
}
