#include "engine/job/page_loop.h"

#include <cstring>

#include "engine/bands/band_assembly.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"

namespace impact {

namespace {

// Reads up to `wanted` lines of the run into place, checking for a cancel
// before each one: the count of whole lines read. Lines the source already
// holds, unchanged as libcups would hand them over, are copied straight from
// there; any other line (one the source holds only part of, or every line of
// a stream libcups must decode) is read through libcups.
uint32_t readLineRun(JobState* state, cups_raster_t* raster, const RasterSource* source, const LineRun& run,
                     uint32_t wanted)
{
    const uint32_t lineBytes = state->header.cupsBytesPerLine;
    const unsigned char* held = nullptr;
    size_t heldCount = source != nullptr && source->heldBytes != nullptr ? source->heldBytes(source->context, &held) : 0;
    // A source that holds nothing now is asked again only after a line
    // through libcups has filled it: one that holds nothing at the start of
    // a run goes through libcups for the whole run.
    const bool fromSource = heldCount != 0;
    size_t taken = 0;
    uint32_t read = 0;
    for (unsigned char* line = run.first; read < wanted; ++read, line += run.stride) {
        if (read != 0 && serviceCancellation(state))
            break;
        if (heldCount - taken >= lineBytes) {
            std::memcpy(line, held + taken, lineBytes);
            taken += lineBytes;
            continue;
        }
        if (taken != 0) {
            source->takeBytes(source->context, taken);
            taken = 0;
        }
        if (cupsRasterReadPixels(raster, line, lineBytes) == 0)
            return read;
        heldCount = fromSource ? source->heldBytes(source->context, &held) : 0;
    }
    if (taken != 0)
        source->takeBytes(source->context, taken);
    return read;
}

// Reads the page's lines and assembles them into bands. A line that cannot
// be read ends the page's lines; a band that cannot be sent fails the job.
// Lines are read in runs straight into the band buffer: as many as go there
// one after another, up to the next progress line.
void readPageLines(JobState* state, cups_raster_t* raster, const RasterSource* source)
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
        const uint32_t read = readLineRun(state, raster, source, run, wanted);
        if (state->over)
            return;
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

StatusCode printRasterPages(JobState* state, cups_raster_t* raster, const RasterSource* source)
{
    if (state == nullptr || raster == nullptr)
        return kUnsupported;
    cups_page_header2_t header;
    while (!state->over) {
        if (cupsRasterReadHeader2(raster, &header) == 0)
            return finishJob(state);
        if (startPage(state, &header) != 0 || state->over)
            break;
        readPageLines(state, raster, source);
        if (state->over)
            break;
        finishPage(state);
    }
    return state->overStatus;
}

} // namespace impact
