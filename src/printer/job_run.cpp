#include "printer/job_run.h"

#include "printer/band_assembly.h"
#include "printer/job_cancel.h"
#include "printer/page_flow.h"

namespace {

// Reads the page's lines and assembles them into bands. A line that cannot
// be read ends the page's lines; a band that cannot be sent fails the job.
// Lines are read in runs straight into the band buffer: as many as go there
// one after another, up to the next progress line.
void readPageLines(JobState* state)
{
    const cups_page_header2_t* header = &state->header;
    PageAssembly* page = &state->page;
    const uint32_t height = header->cupsHeight;
    uint32_t y = 0;
    while (y < height) {
        if (serviceCancellation(state))
            return;
        reportProgress(state, y);
        const LineRun run = nextLineRun(state, header, page);
        uint32_t wanted = 128 - y % 128;
        if (wanted > height - y)
            wanted = height - y;
        if (wanted > run.count)
            wanted = run.count;
        uint32_t read = 0;
        for (unsigned char* line = run.first; read < wanted; ++read, line += run.stride) {
            if (read != 0 && serviceCancellation(state))
                return;
            if (cupsRasterReadPixels(state->raster, line, header->cupsBytesPerLine) == 0)
                break;
        }
        StatusCode status = takeLineRun(state, header, page, read);
        if (status != 0) {
            failJob(state, status);
            return;
        }
        y += read;
        if (read < wanted)
            return;
    }
}

} // namespace

StatusCode runJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source)
{
    if (state == nullptr || optionsText == nullptr)
        return 22;
    const JobHost host = state->host;
    initJobState(state, &host);
    StatusCode status = setupJob(state, optionsText, ppdPath, source);
    if (status != 0) {
        state->over = 1;
        state->overStatus = status;
        return status;
    }

    cups_page_header2_t header;
    while (!state->over) {
        if (cupsRasterReadHeader2(state->raster, &header) == 0)
            return finishJob(state);
        if (startPage(state, &header) != 0 || state->over)
            break;
        readPageLines(state);
        if (state->over)
            break;
        finishPage(state);
    }
    return state->overStatus;
}
