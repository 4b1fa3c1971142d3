#include "engine/bands/band_render.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "engine/bands/band_transpose.h"
#include "engine/printer/graphics_modes.h"
#include "engine/printer/printer_commands.h"
#include "engine/printer/unit_scaling.h"

namespace impact {

JobResult dispatchBand(JobState* state, const cups_page_header2_t* header, uint32_t skipLines, uint16_t lines)
{
    if (state == nullptr || header == nullptr)
        return JobResult::Unsupported;
    BandContext job = {};
    job.widthDots = state->printWidthDots;
    job.positionDpi = state->units.positionDpi;
    job.speed = state->speed;
    job.flags = state->settings.graphicsFlags;
    job.columnBufferSlot = &state->columnBuffer;
    job.pendingSlot = &state->pendingImageBytes;
    job.rows = header->cupsRowCount;
    job.hdpi = header->HWResolution[0];
    job.vdpi = header->HWResolution[1];
    job.out = &state->host.printer;
    job.reports = &state->host.reports;

    // A long blank stretch goes out as several feeds, none of them shortened.
    while (skipLines != 0) {
        uint16_t piece = static_cast<uint16_t>(skipLines > kMaxFeedLines ? kMaxFeedLines : skipLines);
        const JobResult result = feedLines(job.out, job.vdpi, piece, state->units.feedDpi);
        if (result != JobResult::Success)
            return result;
        skipLines -= piece;
    }
    if (lines == 0)
        return JobResult::Success;
    return renderBand(&job, lines, state->bandBuffer);
}

JobResult feedLines(const OutputStream* out, uint32_t vdpi, uint16_t lines, uint16_t feedDpi)
{
    if ((feedDpi != 216 && feedDpi != 180) || vdpi == 0 || out == nullptr)
        return JobResult::Unsupported;
    if (lines == 0)
        return JobResult::Success;
    uint32_t steps = scaleRound(lines, vdpi, feedDpi);
    bool ok = true;
    while (steps != 0) {
        const uint8_t n = static_cast<uint8_t>(steps < kMaxFeedSteps ? steps : kMaxFeedSteps);
        ok &= feedPaper(out, n);
        steps -= n;
    }
    return ok ? JobResult::Success : JobResult::OutputFailed;
}

JobResult renderBand(const BandContext* job, uint16_t lines, const unsigned char* band)
{
    if (job == nullptr || band == nullptr || lines == 0)
        return JobResult::Unsupported;
    if (job->widthDots == 0)
        return JobResult::Success;
    if (job->positionDpi == 0 || job->columnBufferSlot == nullptr || job->pendingSlot == nullptr ||
        job->rows == 0 || job->hdpi == 0 || job->vdpi == 0 || job->out == nullptr)
        return JobResult::Unsupported;
    if (job->widthDots > 8191)
        return JobResult::BadData;
    uint8_t mode = 0;
    if (!findGraphicsMode(job->hdpi, job->vdpi, job->rows, job->speed, job->flags, &mode)) {
        sendReport(job->reports, ReportKind::IllegalResolution);
        return JobResult::BadData;
    }

    const uint32_t perColumn = (job->rows + 7) / 8;
    const size_t size = static_cast<size_t>(job->widthDots) * perColumn;
    auto* columns = static_cast<unsigned char*>(std::malloc(size));
    if (columns == nullptr) {
        sendReport(job->reports, ReportKind::OutOfMemory, 0, errno);
        return JobResult::OutOfMemory;
    }
    *job->columnBufferSlot = columns;

    JobResult result = JobResult::Success;
    uint32_t first = 0;
    uint32_t last = 0;
    if (transposeBand(band, job->widthDots, job->rows, lines, columns, &first, &last)) {
        const uint32_t n = last - first + 1;
        const uint32_t position = scaleRound(first, job->hdpi, job->positionDpi);
        bool ok = setHorizontalPosition(job->out, static_cast<uint16_t>(position));
        setPendingBytes(job->pendingSlot, n * perColumn);
        ok &= startBitImage(job->out, mode, static_cast<uint16_t>(n));
        ok &= writeAll(job->out, columns + static_cast<size_t>(first) * perColumn, static_cast<size_t>(n) * perColumn);
        setPendingBytes(job->pendingSlot, 0);
        result = ok ? JobResult::Success : JobResult::OutputFailed;
    }

    std::free(columns);
    *job->columnBufferSlot = nullptr;
    if (!carriageReturn(job->out) && result == JobResult::Success)
        result = JobResult::OutputFailed;
    return result;
}

} // namespace impact
