#include "printer_app/raster_file_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "printer_app/page_geometry.h"
#include "printer_app/pappl_job_host.h"
#include "printer_app/raster_page.h"

namespace {

// Prints one copy of the document. 0 when every page was printed.
int printCopy(PrintJob* job, cups_raster_t* raster, const pappl_pr_options_t* options, uint32_t rows,
              unsigned* pageNumber)
{
    const cups_page_header2_t& sheet = options->header;
    SheetCrop crop;
    cups_page_header2_t engineHeader;
    if (planSheetCrop(&sheet, &job->media.page, rows, &crop, &engineHeader) != 0) {
        failPrintJob(job, "The job's paper and resolution cannot be printed.");
        return 1;
    }
    std::vector<unsigned char> sheetLine(sheet.cupsBytesPerLine), printLine(crop.bytes), pageLine;
    cups_page_header2_t page;
    PagePlacement placement;
    while (cupsRasterReadHeader2(raster, &page) != 0) {
        ++*pageNumber;
        char message[200];
        const PageKind kind = classifyPage(page, *pageNumber, message, sizeof message);
        if (kind == PageKind::Unprintable) {
            failPrintJob(job, message);
            return 1;
        }
        if (page.HWResolution[0] != sheet.HWResolution[0] || page.HWResolution[1] != sheet.HWResolution[1])
            papplLogJob(job->job, PAPPL_LOGLEVEL_INFO, "Page %u is at %ux%u dpi: printed at the job's %ux%u dpi.",
                        *pageNumber, page.HWResolution[0], page.HWResolution[1], sheet.HWResolution[0],
                        sheet.HWResolution[1]);
        placePage(page, kind, sheet, &placement);
        pageLine.assign(page.cupsBytesPerLine, 0);
        if (checkCancelled(job) || printJobStartPage(job, &engineHeader) != 0)
            return 1;
        int64_t rowsRead = 0;
        for (uint32_t y = crop.skipLines; y < crop.skipLines + crop.lines; ++y) {
            const int64_t row = pageRowForSheetRow(placement, y);
            for (; row >= 0 && rowsRead <= row; ++rowsRead)
                if (cupsRasterReadPixels(raster, pageLine.data(), page.cupsBytesPerLine) == 0) {
                    std::snprintf(message, sizeof message, "The document data ended in the middle of page %u.",
                                  *pageNumber);
                    cancelJob(&job->engine); // the page ends on paper as a cancelled one does
                    failPrintJob(job, message);
                    return 1;
                }
            renderSheetLine(placement, row >= 0 ? pageLine.data() : nullptr, y, options->dither, sheetLine.data());
            cropSheetLine(&crop, sheetLine.data(), printLine.data());
            if (printJobPushLine(job, printLine.data()) != 0)
                return 1;
        }
        // The rest of the page's lines, to reach the next page.
        for (; rowsRead < page.cupsHeight; ++rowsRead)
            if (cupsRasterReadPixels(raster, pageLine.data(), page.cupsBytesPerLine) == 0)
                break;
        if (printJobFinishPage(job) != 0)
            return 1;
    }
    if (*pageNumber == 0) {
        failPrintJob(job, "The document has no raster page.");
        return 1;
    }
    return 0;
}

} // namespace

bool printRasterDocument(pappl_job_t* papplJob, pappl_device_t* device, void*)
{
    pappl_pr_options_t* options = papplJobCreatePrintOptions(papplJob, 0, false);
    if (options == nullptr) {
        papplJobSetMessage(papplJob, "Out of memory.");
        return false;
    }
    PrintJob* job = openPrintJob(papplJob, options, device);
    if (job != nullptr)
        job->countsImpressions = true;
    const ResolutionSpec* resolution =
        job != nullptr ? findResolution(job->driver, options->header.HWResolution[0], options->header.HWResolution[1])
                       : nullptr;
    const int fd = job != nullptr ? open(papplJobGetFilename(papplJob), O_RDONLY | O_CLOEXEC) : -1;
    if (job != nullptr && (resolution == nullptr || fd < 0))
        failPrintJob(job, resolution == nullptr ? "The job's resolution is not one this printer prints."
                                                : "The document could not be opened.");
    const int copies = options->copies < 1 ? 1 : options->copies;
    for (int copy = 0; job != nullptr && !job->failed && !job->cancelled && copy < copies; ++copy) {
        lseek(fd, 0, SEEK_SET);
        cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
        unsigned pageNumber = 0;
        if (raster == nullptr)
            failPrintJob(job, "The document is not PWG or Apple raster.");
        else
            printCopy(job, raster, options, resolution->rows, &pageNumber);
        cupsRasterClose(raster);
    }
    if (fd >= 0)
        close(fd);
    bool ok = false;
    if (job != nullptr) {
        checkCancelled(job);
        const int cancelled = job->cancelled;
        ok = closePrintJob(job) != 0 || cancelled != 0;
    }
    papplJobDeletePrintOptions(options);
    return ok;
}
