#include "engine/printer/page_setup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/output/job_report.h"
#include "engine/printer/graphics_modes.h"
#include "engine/printer/printer_commands.h"
#include "engine/printer/unit_scaling.h"

namespace impact {

namespace {

// Printable width, line bytes and printable height of a page with this
// header, from the job's page size.
void computePrintableArea(JobState* state, const cups_page_header2_t* header)
{
    const PageGeometry& size = state->settings.page;
    long double width = (static_cast<long double>(size.right) - size.left) * header->HWResolution[0] / 72;
    uint64_t dots = truncateToUnsigned(width);
    uint64_t lineBytes = (dots + 7) / 8;
    if (lineBytes > header->cupsBytesPerLine) {
        lineBytes = header->cupsBytesPerLine;
        dots = lineBytes * 8;
    }
    state->printWidthDots = dots > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(dots);
    state->lineBytes = static_cast<uint32_t>(lineBytes);
    long double height = (static_cast<long double>(size.top) - size.bottom) * header->HWResolution[1] / 72;
    state->printHeightLines = truncateToUnsigned(height);
}

// Makes the work buffer hold one raster line of this header followed by a
// band of its rows and room for one more raster line past the band's end, so
// a whole raster line can be read straight into any row of the band;
// OutOfMemory when it cannot be had.
JobResult prepareWorkBuffer(JobState* state, const cups_page_header2_t* header)
{
    const uint64_t needed = static_cast<uint64_t>(header->cupsRowCount) * state->lineBytes +
                            2 * static_cast<uint64_t>(header->cupsBytesPerLine);
    if (needed == 0 || needed > SIZE_MAX) {
        sendReport(&state->host.reports, ReportKind::OutOfMemory, state->pageCount, ENOMEM);
        return JobResult::OutOfMemory;
    }
    if (state->lineBuffer == nullptr || needed > state->bufferCapacity) {
        std::free(state->lineBuffer);
        state->lineBuffer = nullptr;
        state->bandBuffer = nullptr;
        state->bufferCapacity = 0;
        auto* buffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(needed)));
        if (buffer == nullptr) {
            sendReport(&state->host.reports, ReportKind::OutOfMemory, state->pageCount, errno);
            return JobResult::OutOfMemory;
        }
        state->lineBuffer = buffer;
        state->bufferCapacity = static_cast<size_t>(needed);
    }
    state->bandBuffer = state->lineBuffer + header->cupsBytesPerLine;
    state->bufferLineBytes = header->cupsBytesPerLine;
    state->bufferRowCount = header->cupsRowCount;
    state->bufferHdpi = header->HWResolution[0];
    state->bufferVdpi = header->HWResolution[1];
    return JobResult::Success;
}

bool sameGeometry(const JobState* state, const cups_page_header2_t* header)
{
    return state->bufferLineBytes == header->cupsBytesPerLine && state->bufferRowCount == header->cupsRowCount &&
           state->bufferHdpi == header->HWResolution[0] && state->bufferVdpi == header->HWResolution[1];
}

// A later page that brings another line size, band height or resolution
// gets its own printable area and a work buffer that fits it.
JobResult renewGeometry(JobState* state, const cups_page_header2_t* header)
{
    if (sameGeometry(state, header))
        return JobResult::Success;
    if (!findGraphicsMode(header->HWResolution[0], header->HWResolution[1], header->cupsRowCount, state->speed,
                          state->settings.graphicsFlags, nullptr))
        return JobResult::Unsupported;
    computePrintableArea(state, header);
    return prepareWorkBuffer(state, header);
}

} // namespace

bool sendCarriageReturn(const JobState* state)
{
    if (!carriageReturn(&state->host.printer)) {
        sendReport(&state->host.reports, ReportKind::OutputFailed);
        return false;
    }
    return true;
}

PageMetrics computePageMetrics(const PageGeometry* pageSize, uint16_t baseDpi)
{
    // Single-precision arithmetic on the page size in points, as the
    // printer's page length and format values have always been computed.
    const int k = baseDpi / 72;
    PageMetrics metrics;
    metrics.length = pageSize->length * k;
    float top = (pageSize->length - pageSize->top) * k;
    float bottom = (pageSize->length - pageSize->bottom) * k;
    metrics.top = (top < 0 || top > bottom) ? 0 : top;
    metrics.bottom = bottom;
    return metrics;
}

JobResult setupPage(JobState* state, const cups_page_header2_t* header)
{
    if (state == nullptr || header == nullptr)
        return JobResult::Unsupported;
    state->pageOpen = true;
    if (state->host.pageStarted != nullptr)
        state->host.pageStarted(state->host.context);

    if (state->pageCount != 1) {
        const JobResult result = renewGeometry(state, header);
        if (result != JobResult::Success)
            return result;
        return sendCarriageReturn(state) ? JobResult::Success : JobResult::OutputFailed;
    }

    computePrintableArea(state, header);
    const PageMetrics metrics = computePageMetrics(&state->settings.page, state->units.baseDpi);

    state->speed = state->settings.speed == PrintSpeed::High ? 1 : 0;

    if (!findGraphicsMode(header->HWResolution[0], header->HWResolution[1], header->cupsRowCount, state->speed,
                          state->settings.graphicsFlags, nullptr))
        return JobResult::Unsupported;

    const JobResult result = prepareWorkBuffer(state, header);
    if (result != JobResult::Success)
        return result;

    return sendJobStart(state, &metrics) ? JobResult::Success : JobResult::OutputFailed;
}

} // namespace impact
