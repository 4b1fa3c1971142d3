#include "filter/job_run.h"

#include <cstring>

#include "filter/band_assembly.h"
#include "filter/cancellation.h"
#include "output/status_messages.h"
#include "printer/page_end.h"
#include "printer/page_setup.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"

namespace {

// Reads the page's lines and assembles them into bands. A line that cannot
// be read ends the page's lines; a band that cannot be sent fails the page.
// Lines are read in runs straight into the band buffer: as many as go there
// one after another, up to the next progress line.
StatusCode printPageLines(JobState* state, const cups_page_header2_t* header, PageAssembly* page)
{
    const uint32_t height = header->cupsHeight;
    uint32_t y = 0;
    while (y < height) {
        serviceCancellation();
        if (y % 128 == 0)
            statusLine(kProgressLine, state->pageCount,
                       static_cast<int>(static_cast<uint64_t>(y) * 100 / height));
        const LineRun run = nextLineRun(state, header, page);
        uint32_t wanted = 128 - y % 128;
        if (wanted > height - y)
            wanted = height - y;
        if (wanted > run.count)
            wanted = run.count;
        uint32_t read = 0;
        for (unsigned char* line = run.first; read < wanted; ++read, line += run.stride) {
            if (read != 0)
                serviceCancellation();
            if (cupsRasterReadPixels(state->raster, line, header->cupsBytesPerLine) == 0)
                break;
        }
        StatusCode status = takeLineRun(state, header, page, read);
        if (status != 0)
            return status;
        y += read;
        if (read < wanted) {
            serviceCancellation();
            break;
        }
    }
    serviceCancellation();
    return 0;
}

StatusCode finalLine(const JobState* state, StatusCode status)
{
    statusLine(state->pageCount != 0 ? kReadyLine : kNoPagesLine);
    return status;
}

} // namespace

int pageHeaderUsable(const cups_page_header2_t* header)
{
    // The colour space is whatever number the input carried; reading it
    // through the enumeration type would be undefined for unknown values.
    uint32_t colorSpace;
    static_assert(sizeof colorSpace == sizeof header->cupsColorSpace);
    std::memcpy(&colorSpace, &header->cupsColorSpace, sizeof colorSpace);
    if (colorSpace != CUPS_CSPACE_K || header->cupsBitsPerPixel != 1)
        return 0;
    // A line holds exactly the page's width: more bytes would be dots the
    // header says are not on the page.
    const uint64_t widthBytes = (static_cast<uint64_t>(header->cupsWidth) + 7) / 8;
    return header->cupsBytesPerLine != 0 && header->cupsBytesPerLine == widthBytes &&
           header->cupsBytesPerLine <= kMaxBytesPerLine;
}

StatusCode runJob(int descriptor, const char* optionsText)
{
    if (optionsText == nullptr)
        return 22;
    JobState* state = resetJobState();
    resetCancellation();
    StatusCode status = setupJob(state, optionsText, descriptor);
    if (status != 0)
        return status;

    cups_page_header2_t header;
    for (;;) {
        if (cupsRasterReadHeader2(state->raster, &header) == 0) {
            serviceCancellation();
            status = teardownJob(state);
            return finalLine(state, status);
        }
        ++state->pageCount;
        statusLine(kPageLine, state->pageCount, static_cast<int>(header.NumCopies));

        if (!pageHeaderUsable(&header)) {
            statusLine(kDataFormatError);
            status = -1;
            break;
        }
        status = setupPage(state, &header);
        if (status != 0)
            break;
        PageAssembly page;
        beginPageAssembly(&page);
        status = printPageLines(state, &header, &page);
        if (status != 0)
            break;
        status = finishPageAssembly(state, &header, &page);
        if (status != 0) {
            // The page has ended already.
            teardownJob(state);
            return finalLine(state, status);
        }
    }
    // A page failed: end it and the job on paper.
    endPage(state);
    teardownJob(state);
    return finalLine(state, status);
}
