#include "filter/band_assembly.h"

#include <cstring>

#include "printer/band_output.h"
#include "printer/page_end.h"

namespace {

uint64_t loadWord(const unsigned char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

} // namespace

int isBlank(const unsigned char* bytes, uint32_t count)
{
    if (bytes == nullptr || count == 0)
        return 1;
    if (count < 8) {
        unsigned char any = 0;
        for (uint32_t i = 0; i < count; ++i)
            any |= bytes[i];
        return any == 0;
    }
    // The line's words OR-ed together, eight at a time: a blank line is read
    // in full anyway, and only the first line of a band is ever tested
    // while not blank. The last word is read from the end of the line,
    // overlapping words already seen, so no byte is left over.
    uint64_t any = loadWord(bytes + count - 8);
    uint32_t at = 0;
    for (; at + 64 <= count; at += 64) {
        uint64_t words = 0;
#pragma GCC unroll 8
        for (uint32_t i = 0; i < 64; i += 8)
            words |= loadWord(bytes + at + i);
        any |= words;
    }
    for (; at + 8 <= count; at += 8)
        any |= loadWord(bytes + at);
    return any == 0;
}

void beginPageAssembly(PageAssembly* page)
{
    page->y = 0;
    page->skipLines = 0;
    page->bandLines = 0;
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
    if (state->lineBytes != 0)
        std::memcpy(state->bandBuffer + static_cast<size_t>(page->bandLines) * state->lineBytes, line,
                    state->lineBytes);
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
