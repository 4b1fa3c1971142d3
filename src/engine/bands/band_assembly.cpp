#include "engine/bands/band_assembly.h"

#include <cstring>

#include "engine/bands/blank_scan.h"
#include "engine/bands/band_render.h"
#include "engine/printer/page_end.h"

namespace impact {

bool isBlank(const unsigned char* bytes, uint32_t count)
{
    return bytes == nullptr || firstNonZeroByte(bytes, count) == count;
}

void beginPageAssembly(PageAssembly* page)
{
    page->y = 0;
    page->skipLines = 0;
    page->bandLines = 0;
    page->bandStarted = false;
}

namespace {

// The lines gathered before a band has started are looked at together, once
// the band buffer is full or the page ends, rather than each as it arrives:
// the rows lie one after another, so one scan finds the first dot (most of
// a page is blank, and looking at blank lines one by one cost as much again
// as reading them). The blank rows before that dot become feed and the rest
// move to the top of the band.
void settleBandStart(JobState* state, PageAssembly* page)
{
    const size_t rowBytes = state->lineBytes;
    const size_t gathered = page->bandLines * rowBytes;
    unsigned char* band = state->bandBuffer;
    const uint32_t blank =
        rowBytes == 0 ? page->bandLines : static_cast<uint32_t>(firstNonZeroByte(band, gathered) / rowBytes);
    page->skipLines += blank;
    if (blank != 0 && blank < page->bandLines)
        std::memmove(band, band + blank * rowBytes, gathered - blank * rowBytes);
    page->bandLines = static_cast<uint16_t>(page->bandLines - blank);
    page->bandStarted = page->bandLines != 0;
}

} // namespace

LineRun nextLineRun(JobState* state, const cups_page_header2_t* header, const PageAssembly* page)
{
    LineRun run;
    run.first = state->bandBuffer + static_cast<size_t>(page->bandLines) * state->lineBytes;
    if (page->y >= state->printHeightLines) {
        run.stride = 0;
        run.count = UINT32_MAX;
        return run;
    }
    // Up to the end of the band (page setup accepts no band of 0 rows) or of
    // the printable height, whichever comes first.
    const uint32_t bandRoom = header->cupsRowCount > page->bandLines ? header->cupsRowCount - page->bandLines : 1;
    const uint32_t heightLeft = state->printHeightLines - page->y;
    run.stride = state->lineBytes;
    run.count = bandRoom < heightLeft ? bandRoom : heightLeft;
    return run;
}

JobResult takeLineRun(JobState* state, const cups_page_header2_t* header, PageAssembly* page, uint32_t count)
{
    if (count == 0)
        return JobResult::Success;
    if (count > nextLineRun(state, header, page).count)
        return JobResult::Unsupported;
    if (page->y >= state->printHeightLines) {
        page->y += count;
        return JobResult::Success;
    }
    page->y += count;
    page->bandLines = static_cast<uint16_t>(page->bandLines + count);
    if (page->bandLines != header->cupsRowCount)
        return JobResult::Success;
    if (!page->bandStarted) {
        settleBandStart(state, page);
        if (page->bandLines != header->cupsRowCount)
            return JobResult::Success;
    }
    const JobResult result = dispatchBand(state, header, page->skipLines, page->bandLines);
    // The printed band's own height is feed owed before the next band.
    page->skipLines = page->bandLines;
    page->bandLines = 0;
    page->bandStarted = false;
    return result;
}

JobResult assembleLine(JobState* state, const cups_page_header2_t* header, PageAssembly* page,
                       const unsigned char* line)
{
    const LineRun run = nextLineRun(state, header, page);
    if (run.stride != 0 && run.first != line && line != nullptr)
        std::memcpy(run.first, line, state->lineBytes);
    return takeLineRun(state, header, page, 1);
}

JobResult finishPageAssembly(JobState* state, const cups_page_header2_t* header, PageAssembly* page)
{
    if (!page->bandStarted)
        settleBandStart(state, page);
    const uint32_t rows = header->cupsRowCount;
    const uint32_t lines = page->bandLines;
    const uint64_t passed = static_cast<uint64_t>(page->skipLines) + lines;
    if (lines == 0 || passed < rows)
        return endPage(state);

    // Bottom-align the rows: the last row goes first, so no row is
    // overwritten before it has moved.
    const size_t rowBytes = state->lineBytes;
    unsigned char* band = state->bandBuffer;
    for (uint32_t i = 0; i < lines; ++i)
        std::memmove(band + (rows - 1 - i) * rowBytes, band + (lines - 1 - i) * rowBytes, rowBytes);
    std::memset(band, 0, (rows - lines) * rowBytes);

    // The feed shrinks by exactly the blank rows added above the data.
    const JobResult last =
        dispatchBand(state, header, static_cast<uint32_t>(passed - rows), static_cast<uint16_t>(rows));
    const JobResult pageEnd = endPage(state);
    return last != JobResult::Success ? last : pageEnd;
}

} // namespace impact
