#include "printer_app/test_page.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "page_bitmap.h"
#include "printer_app/page_geometry.h"
#include "printer_app/pappl_job_host.h"

namespace {

constexpr char kTestPageMark[] = "%impact-test-page\n";

// Draws the page on the job's printable area and prints it. 0, or 1 with the
// job's message set.
int drawAndPrint(PrintJob* job, const pappl_pr_options_t* options)
{
    SheetCrop area;
    cups_page_header2_t header;
    if (!planJobSheet(job, options, &area, &header))
        return 1;
    PageLayout layout;
    layout.hdpi = header.HWResolution[0];
    layout.vdpi = header.HWResolution[1];
    layout.width = layout.printWidth = area.dots;
    layout.height = layout.printHeight = area.lines;
    PageContent content;
    content.mediaName = job->media.name;
    PageBitmap page;
    if (fillPage(&page, layout, content) != 0 || page.bytesPerLine != header.cupsBytesPerLine) {
        failPrintJob(job, "The test page could not be drawn.");
        return 1;
    }
    if (printJobStartPage(job, &header) != 0)
        return 1;
    for (uint32_t y = 0; y < page.height; ++y)
        if (printJobPushLine(job, page.bits.data() + static_cast<size_t>(y) * page.bytesPerLine) != 0)
            return 1;
    return printJobFinishPage(job);
}

} // namespace

const char* makeTestPage(pappl_printer_t*, char* buffer, size_t size)
{
    const char* tmpdir = std::getenv("TMPDIR");
    std::snprintf(buffer, size, "%s/impact-testpage-XXXXXX", tmpdir != nullptr ? tmpdir : "/tmp");
    const int fd = mkstemp(buffer);
    if (fd < 0)
        return nullptr;
    const size_t length = sizeof kTestPageMark - 1;
    const bool written = write(fd, kTestPageMark, length) == static_cast<ssize_t>(length);
    if (close(fd) != 0 || !written) {
        unlink(buffer);
        return nullptr;
    }
    return buffer;
}

bool isTestPageFile(const unsigned char* header, size_t size)
{
    const size_t length = sizeof kTestPageMark - 1;
    return size >= length && std::memcmp(header, kTestPageMark, length) == 0;
}

bool printTestPage(pappl_job_t* papplJob, pappl_device_t* device, void*)
{
    return runSheetJob(papplJob, device, drawAndPrint);
}
