#include "filter/band_assembly.h"

#include <cstring>

#include "printer/band_output.h"
#include "printer/page_end.h"

int isBlank(const unsigned char* bytes, uint32_t count)
{
    if (bytes == nullptr || count == 0)
        return 1;
    // Every byte equals its neighbour and the first is zero.
    return bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0;
}

void beginPageAssembly(PageAssembly* page)
{
    page->y = 0;
    page->skipLines = 0;
    page->bandLines = 0;
}

unsigned char* nextLineSlot(JobState* state, const PageAssembly* page)
{
    return state->bandBuffer + static_cast<size_t>(page->bandLines) * state->lineBytes;
}

StatusCode assembleLine(JobState* state, const cups_page_header2_t* header, PageAssembly* page,
                        const unsigned char* line)
{
    const uint32_t y = page->y++;
    if (y >= state->printHeightLines)
        return 0;
    if (page->bandLines == 0 && isBlank(line, state->lineBytes)) {
        ++page->skipLines;
        return 0;
    }
    unsigned char* row = nextLineSlot(state, page);
    if (state->lineBytes != 0 && row != line)
        std::memcpy(row, line, state->lineBytes);
    ++page->bandLines;
    if (page->bandLines != header->cupsRowCount)
        return 0;
    StatusCode status = dispatchBand(state, header, page->skipLines, page->bandLines);
    // The printed band's own height is feed owed before the next band.
    page->skipLines = page->bandLines;
    page->bandLines = 0;
    return status;
}

StatusCode finishPageAssembly(JobState* state, const cups_page_header2_t* header, PageAssembly* page)
{
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
    StatusCode status = dispatchBand(state, header, static_cast<uint32_t>(passed - rows), static_cast<uint16_t>(rows));
    StatusCode pageEnd = endPage(state);
    return status != 0 ? status : pageEnd;
}
