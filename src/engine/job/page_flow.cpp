#include "engine/job/page_flow.h"

#include <cstring>

#include "engine/output/job_report.h"
#include "engine/bands/band_assembly.h"
#include "engine/job/job_cancel.h"
#include "engine/printer/page_end.h"
#include "engine/printer/page_setup.h"

namespace impact {

namespace {

JobResult finalReport(JobState* state, JobResult result)
{
    sendReport(&state->host.reports, state->pageCount != 0 ? ReportKind::JobEnded : ReportKind::NoPages);
    state->over = true;
    // A cancelled job ends well, whatever its last steps returned.
    state->result = state->cancelled ? JobResult::Success : result;
    return state->result;
}

// True, and what to return in *result, when the job cannot take another
// step: no job, a job that is over, or one whose cancel has just ended it.
bool cannotGoOn(JobState* state, JobResult* result)
{
    if (state == nullptr) {
        *result = JobResult::Unsupported;
        return true;
    }
    if (state->over) {
        *result = state->result;
        return true;
    }
    *result = JobResult::Success;
    return serviceCancellation(state);
}

} // namespace

bool pageHeaderUsable(const cups_page_header2_t* header, uint32_t bitsPerDot)
{
    // The colour space is whatever number the input carried; reading it
    // through the enumeration type would be undefined for unknown values.
    uint32_t colorSpace;
    static_assert(sizeof colorSpace == sizeof header->cupsColorSpace);
    std::memcpy(&colorSpace, &header->cupsColorSpace, sizeof colorSpace);
    if (colorSpace != CUPS_CSPACE_K || header->cupsBitsPerPixel != bitsPerDot)
        return false;
    // A line holds exactly the page's width: more bytes would be dots the
    // header says are not on the page.
    const uint64_t widthBytes = (static_cast<uint64_t>(header->cupsWidth) * bitsPerDot + 7) / 8;
    return header->cupsBytesPerLine != 0 && header->cupsBytesPerLine == widthBytes &&
           header->cupsBytesPerLine <= kMaxBytesPerLine;
}

void reportProgress(JobState* state, uint32_t y)
{
    if (y % 128 == 0)
        sendReport(&state->host.reports, ReportKind::Progress, state->pageCount,
                   static_cast<int32_t>(static_cast<uint64_t>(y) * 100 / state->header.cupsHeight));
}

JobResult failJob(JobState* state, JobResult result)
{
    if (state->over)
        return state->result;
    endPage(state);
    teardownJob(state);
    return finalReport(state, result);
}

JobResult startPage(JobState* state, const cups_page_header2_t* header)
{
    if (state == nullptr || header == nullptr)
        return JobResult::Unsupported;
    if (state->over)
        return state->result;
    state->header = *header;
    ++state->pageCount;
    sendReport(&state->host.reports, ReportKind::PageStarted, state->pageCount,
               static_cast<int32_t>(header->NumCopies));
    if (!pageHeaderUsable(header)) {
        sendReport(&state->host.reports, ReportKind::UnusablePage, state->pageCount);
        return failJob(state, JobResult::BadData);
    }
    const JobResult result = setupPage(state, &state->header);
    if (result != JobResult::Success)
        return failJob(state, result);
    beginPageAssembly(&state->page);
    return JobResult::Success;
}

JobResult pushLine(JobState* state, const unsigned char* line)
{
    if (state == nullptr || line == nullptr)
        return JobResult::Unsupported;
    if (state->over)
        return state->result;
    if (!state->pageOpen || state->page.y >= state->header.cupsHeight)
        return JobResult::Success;
    if (serviceCancellation(state))
        return JobResult::Success;
    reportProgress(state, state->page.y);
    const JobResult result = assembleLine(state, &state->header, &state->page, line);
    return result != JobResult::Success ? failJob(state, result) : JobResult::Success;
}

JobResult finishPage(JobState* state)
{
    JobResult result;
    if (cannotGoOn(state, &result))
        return result;
    result = finishPageAssembly(state, &state->header, &state->page);
    if (result != JobResult::Success) {
        // The page has ended already.
        teardownJob(state);
        return finalReport(state, result);
    }
    return JobResult::Success;
}

JobResult finishJob(JobState* state)
{
    JobResult result;
    if (cannotGoOn(state, &result))
        return result;
    return finalReport(state, teardownJob(state));
}

} // namespace impact
