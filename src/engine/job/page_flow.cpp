#include "engine/job/page_flow.h"

#include <cstring>

#include "engine/output/status_messages.h"
#include "engine/bands/band_assembly.h"
#include "engine/job/job_cancel.h"
#include "engine/printer/page_end.h"
#include "engine/printer/page_setup.h"

namespace impact {

namespace {

StatusCode finalLine(JobState* state, StatusCode status)
{
    statusLine(&state->host.status, state->pageCount != 0 ? kReadyLine : kNoPagesLine);
    state->over = 1;
    // A cancelled job ends well, whatever its last steps returned.
    state->overStatus = state->cancelled ? 0 : status;
    return state->overStatus;
}

// True, and what to return in *status, when the job cannot take another
// step: no job, a job that is over, or one whose cancel has just ended it.
bool cannotGoOn(JobState* state, StatusCode* status)
{
    if (state == nullptr) {
        *status = kUnsupported;
        return true;
    }
    if (state->over) {
        *status = state->overStatus;
        return true;
    }
    *status = 0;
    return serviceCancellation(state) != 0;
}

} // namespace

int pageHeaderUsable(const cups_page_header2_t* header, uint32_t bitsPerDot)
{
    // The colour space is whatever number the input carried; reading it
    // through the enumeration type would be undefined for unknown values.
    uint32_t colorSpace;
    static_assert(sizeof colorSpace == sizeof header->cupsColorSpace);
    std::memcpy(&colorSpace, &header->cupsColorSpace, sizeof colorSpace);
    if (colorSpace != CUPS_CSPACE_K || header->cupsBitsPerPixel != bitsPerDot)
        return 0;
    // A line holds exactly the page's width: more bytes would be dots the
    // header says are not on the page.
    const uint64_t widthBytes = (static_cast<uint64_t>(header->cupsWidth) * bitsPerDot + 7) / 8;
    return header->cupsBytesPerLine != 0 && header->cupsBytesPerLine == widthBytes &&
           header->cupsBytesPerLine <= kMaxBytesPerLine;
}

void reportProgress(JobState* state, uint32_t y)
{
    if (y % 128 == 0)
        statusLine(&state->host.status, kProgressLine, state->pageCount,
                   static_cast<int>(static_cast<uint64_t>(y) * 100 / state->header.cupsHeight));
}

StatusCode failJob(JobState* state, StatusCode status)
{
    if (state->over)
        return state->overStatus;
    endPage(state);
    teardownJob(state);
    return finalLine(state, status);
}

StatusCode startPage(JobState* state, const cups_page_header2_t* header)
{
    if (state == nullptr || header == nullptr)
        return kUnsupported;
    if (state->over)
        return state->overStatus;
    state->header = *header;
    ++state->pageCount;
    statusLine(&state->host.status, kPageLine, state->pageCount, static_cast<int>(header->NumCopies));
    if (!pageHeaderUsable(header)) {
        statusLine(&state->host.status, kDataFormatError);
        return failJob(state, kBadData);
    }
    StatusCode status = setupPage(state, &state->header);
    if (status != 0)
        return failJob(state, status);
    beginPageAssembly(&state->page);
    return 0;
}

StatusCode pushLine(JobState* state, const unsigned char* line)
{
    if (state == nullptr || line == nullptr)
        return kUnsupported;
    if (state->over)
        return state->overStatus;
    if (!state->pageOpen || state->page.y >= state->header.cupsHeight)
        return 0;
    if (serviceCancellation(state))
        return 0;
    reportProgress(state, state->page.y);
    StatusCode status = assembleLine(state, &state->header, &state->page, line);
    return status != 0 ? failJob(state, status) : 0;
}

StatusCode finishPage(JobState* state)
{
    StatusCode status;
    if (cannotGoOn(state, &status))
        return status;
    status = finishPageAssembly(state, &state->header, &state->page);
    if (status != 0) {
        // The page has ended already.
        teardownJob(state);
        return finalLine(state, status);
    }
    return 0;
}

StatusCode finishJob(JobState* state)
{
    StatusCode status;
    if (cannotGoOn(state, &status))
        return status;
    return finalLine(state, teardownJob(state));
}

} // namespace impact
