#include "engine/job/page_loop.h"

#include <cstdlib>
#include <cstring>

#include "engine/bands/band_assembly.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"

namespace impact {

namespace {

// Where the page loop reads lines from.
struct PageInput {
    cups_raster_t* raster;
    const RasterSource* source; // may be null
    GrayPages* gray;            // null: the pages are the engine's own 1-bit lines
    unsigned char* grayLine;    // one 8-bit line of the page, with gray
    size_t grayCapacity;
};

// Reads one 8-bit line of the page and dithers it into line y of the
// page's dots. False when the line cannot be read.
bool readGrayLine(JobState* state, PageInput* input, uint32_t y, unsigned char* line)
{
    const uint32_t width = state->header.cupsWidth;
    if (cupsRasterReadPixels(input->raster, input->grayLine, width) == 0)
        return false;
    input->gray->dither(input->gray->context, input->grayLine, width, y, line);
    return true;
}

// Reads up to `wanted` lines of the run, the first being line y of the page,
// into place, checking for a cancel before each one: the count of whole
// lines read. Lines the source already holds, unchanged as libcups would
// hand them over, are copied straight from there; any other line (one the
// source holds only part of, or every line of a stream libcups must
// decode) is read through libcups.
uint32_t readLineRun(JobState* state, PageInput* input, const LineRun& run, uint32_t y, uint32_t wanted)
{
    const uint32_t lineBytes = state->header.cupsBytesPerLine;
    const RasterSource* source = input->source;
    const unsigned char* held = nullptr;
    size_t heldCount = source != nullptr && source->heldBytes != nullptr && input->gray == nullptr
                           ? source->heldBytes(source->context, &held)
                           : 0;
    // A source that holds nothing now is asked again only after a line
    // through libcups has filled it: one that holds nothing at the start of
    // a run goes through libcups for the whole run.
    const bool fromSource = heldCount != 0;
    size_t taken = 0;
    uint32_t read = 0;
    for (unsigned char* line = run.first; read < wanted; ++read, line += run.stride) {
        if (read != 0 && serviceCancellation(state))
            break;
        if (input->gray != nullptr) {
            if (!readGrayLine(state, input, y + read, line))
                return read;
            continue;
        }
        if (heldCount - taken >= lineBytes) {
            std::memcpy(line, held + taken, lineBytes);
            taken += lineBytes;
            continue;
        }
        if (taken != 0) {
            source->takeBytes(source->context, taken);
            taken = 0;
        }
        if (cupsRasterReadPixels(input->raster, line, lineBytes) == 0)
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
void readPageLines(JobState* state, PageInput* input)
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
        const uint32_t read = readLineRun(state, input, run, y, wanted);
        if (state->over)
            return;
        const JobResult result = takeLineRun(state, header, page, read);
        if (result != JobResult::Success) {
            failJob(state, result);
            return;
        }
        y += read;
        if (read < wanted) {
            if (input->gray != nullptr && !state->over) {
                input->gray->cutShort = true;
                cancelJob(state);
            }
            return;
        }
    }
}

// The page as the engine prints it, from a gray page's header: one bit per
// dot. A header that is not a usable gray page is left as it is, for
// startPage to refuse. False when there is no memory for its lines.
bool takeGrayPage(PageInput* input, cups_page_header2_t* header)
{
    if (!pageHeaderUsable(header, 8))
        return true;
    if (input->grayCapacity < header->cupsBytesPerLine) {
        auto* grown = static_cast<unsigned char*>(std::realloc(input->grayLine, header->cupsBytesPerLine));
        if (grown == nullptr)
            return false;
        input->grayLine = grown;
        input->grayCapacity = header->cupsBytesPerLine;
    }
    header->cupsBitsPerColor = header->cupsBitsPerPixel = 1;
    header->cupsBytesPerLine = (header->cupsWidth + 7) / 8;
    return true;
}

} // namespace

JobResult printRasterPages(JobState* state, cups_raster_t* raster, const RasterSource* source,
                           GrayPages* gray)
{
    if (state == nullptr || raster == nullptr || (gray != nullptr && gray->dither == nullptr))
        return JobResult::Unsupported;
    PageInput input{raster, source, gray, nullptr, 0};
    cups_page_header2_t header;
    while (!state->over) {
        if (cupsRasterReadHeader2(raster, &header) == 0) {
            finishJob(state);
            break;
        }
        if (gray != nullptr && !takeGrayPage(&input, &header)) {
            failJob(state, JobResult::OutOfMemory);
            break;
        }
        if (startPage(state, &header) != JobResult::Success || state->over)
            break;
        readPageLines(state, &input);
        if (state->over)
            break;
        finishPage(state);
    }
    std::free(input.grayLine);
    return state->result;
}

} // namespace impact
