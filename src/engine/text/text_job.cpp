#include "engine/text/text_job.h"

#include <cmath>

#include "engine/output/job_report.h"
#include "engine/job/job_cancel.h"
#include "engine/printer/page_end.h"
#include "engine/job/page_flow.h"
#include "engine/printer/page_setup.h"
#include "engine/printer/unit_scaling.h"
#include "engine/printer/printer_commands.h"
#include "engine/text/char_encoding.h"

namespace impact {

namespace {

// Ends the job after its page has ended with a failure.
void failAfterPageEnd(JobState* state, JobResult result)
{
    teardownJob(state);
    sendReport(&state->host.reports, state->pageCount != 0 ? ReportKind::JobEnded : ReportKind::NoPages);
    state->over = true;
    state->result = state->cancelled ? JobResult::Success : result;
}

bool sendJobStartAndSetup(TextJob* job)
{
    JobState* state = job->state;
    const PageMetrics metrics = computePageMetrics(&state->settings.page, state->units.baseDpi);
    state->speed = state->settings.speed == PrintSpeed::High ? 1 : 0;
    if (!sendJobStart(state, &metrics))
        return false;
    TextSetup setup{};
    setup.quality = job->settings.quality;
    setup.pitch = job->settings.pitch;
    setup.spacing = job->settings.spacing;
    setup.table = job->settings.table;
    setup.leftColumn = job->geometry.leftColumn;
    setup.rightColumn = static_cast<uint8_t>(job->geometry.leftColumn + job->geometry.columns);
    if (!sendTextSetup(&state->host.printer, &setup)) {
        sendReport(&state->host.reports, ReportKind::OutputFailed);
        return false;
    }
    return true;
}

void openPage(TextJob* job)
{
    JobState* state = job->state;
    state->pageOpen = true;
    if (state->host.pageStarted != nullptr)
        state->host.pageStarted(state->host.context);
    ++state->pageCount;
    ++job->report.pages;
    sendReport(&state->host.reports, ReportKind::PageStarted, state->pageCount, 1);
    job->line = 0;
    job->headLine = 0;
    if (state->pageCount == 1 && !sendJobStartAndSetup(job)) {
        failJob(state, JobResult::OutputFailed);
        return;
    }
    if (!sendPaperFeed(&state->host.printer, job->geometry.topFeed)) {
        sendReport(&state->host.reports, ReportKind::OutputFailed);
        failJob(state, JobResult::OutputFailed);
    }
}

// Sends the line in progress, if anything on it prints, after the line
// feeds that bring the head down to it.
void flushLine(TextJob* job)
{
    JobState* state = job->state;
    if (job->lineLength != 0 && !state->over && !serviceCancellation(state)) {
        const OutputStream* out = &state->host.printer;
        bool ok = lineFeeds(out, job->line - job->headLine);
        job->headLine = job->line;
        job->lineBytes[job->lineLength] = kCarriageReturn;
        ok &= writeAll(out, job->lineBytes, job->lineLength + 1);
        if (!ok) {
            sendReport(&state->host.reports, ReportKind::OutputFailed);
            failJob(state, JobResult::OutputFailed);
        }
    }
    job->column = 0;
    job->lineLength = 0;
    job->lineCut = false;
}

void closePage(TextJob* job)
{
    flushLine(job);
    JobState* state = job->state;
    if (state->over)
        return;
    if (endPage(state) != JobResult::Success && !state->over)
        failAfterPageEnd(state, JobResult::OutputFailed);
}

// A page to put the next line on: the first, or the next when this one's
// lines are used up.
void ensurePage(TextJob* job)
{
    if (!job->state->pageOpen) {
        openPage(job);
    } else if (job->line >= job->geometry.linesPerPage) {
        closePage(job);
        if (!job->state->over)
            openPage(job);
    }
}

void endLine(TextJob* job)
{
    ensurePage(job);
    flushLine(job);
    ++job->line;
}

void putByte(TextJob* job, unsigned char byte)
{
    ensurePage(job);
    if (job->column >= job->geometry.columns) {
        if (!job->settings.wrap) {
            if (!job->lineCut)
                ++job->report.cutLines;
            job->lineCut = true;
            return;
        }
        endLine(job);
        ensurePage(job);
    }
    job->lineBytes[job->column++] = byte;
    if (byte != ' ')
        job->lineLength = job->column;
}

// To the next multiple of 8 columns, at most to the right margin.
void putTab(TextJob* job)
{
    ensurePage(job);
    uint32_t target = (job->column / 8 + 1) * 8;
    if (target > job->geometry.columns)
        target = job->geometry.columns;
    while (job->column < target)
        job->lineBytes[job->column++] = ' ';
}

void formFeed(TextJob* job)
{
    JobState* state = job->state;
    if (!state->pageOpen) {
        // A form feed before anything else: the paper is at the top of a
        // form already.
        if (state->pageCount == 0)
            return;
        openPage(job);
    }
    closePage(job);
}

void flushPending(TextJob* job)
{
    if (!job->hasPending)
        return;
    job->hasPending = false;
    bool replaced = false;
    const uint8_t byte = printableByte(job->settings.table, job->pendingChar, &replaced);
    if (replaced)
        ++job->report.replaced;
    putByte(job, byte);
}

bool zeroWidth(uint32_t cp)
{
    return cp == 0xFEFF || (cp >= 0x200B && cp <= 0x200F) || cp == 0x2060;
}

void control(TextJob* job, uint32_t cp)
{
    const bool afterCr = job->afterCr;
    switch (cp) {
    case '\n':
        if (!afterCr)
            endLine(job);
        break;
    case '\r':
        endLine(job);
        break;
    case '\f':
        formFeed(job);
        break;
    case '\t':
        putTab(job);
        break;
    default:
        ++job->report.dropped; // and a CR before it still pairs with an LF after
        return;
    }
    job->afterCr = cp == '\r';
}

void takeChar(TextJob* job, uint32_t cp)
{
    if (!job->begun) {
        job->begun = true;
        if (cp == 0xFEFF) // byte order mark
            return;
    }
    if (isCombiningAccent(cp)) {
        const uint32_t composed = job->hasPending ? composeAccent(job->pendingChar, cp) : 0;
        if (composed != 0)
            job->pendingChar = composed;
        else
            ++job->report.replaced; // the accent is lost
        return;
    }
    flushPending(job);
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
        control(job, cp);
        return;
    }
    job->afterCr = false;
    if (zeroWidth(cp))
        return;
    job->pendingChar = cp;
    job->hasPending = true;
}

} // namespace

TextGeometry textGeometry(const JobState* state, const TextSettings* settings)
{
    TextGeometry geometry{};
    const double cpi = pitchCentiCpi(settings->pitch) / 100.0;
    const PageGeometry& size = state->settings.page;
    double across = std::floor((static_cast<double>(size.right) - size.left) * cpi / 72 + 1e-6);
    double left = std::floor(settings->leftPoints * cpi / 72 + 0.5);
    if (across < 1)
        across = 1;
    if (across > kMaxTextColumns)
        across = kMaxTextColumns;
    if (left > across - 1)
        left = across - 1;
    geometry.leftColumn = static_cast<uint8_t>(left);
    geometry.columns = static_cast<uint32_t>(across - left);

    // The form as the printer counts it: the whole page length, or the
    // printable part of it when the job sets the top and bottom margins.
    const PageMetrics metrics = computePageMetrics(&size, state->units.baseDpi);
    double height = metrics.length;
    if (state->settings.margins == MarginOwner::Driver)
        height = static_cast<double>(metrics.bottom) - metrics.top;
    const double heightPoints = height * 72 / state->units.baseDpi - settings->topPoints;
    const double lines = std::floor(heightPoints * linesPerInch(settings->spacing) / 72 + 1e-6);
    geometry.linesPerPage = lines < 1 ? 1 : static_cast<uint32_t>(lines);
    geometry.topFeed = static_cast<uint32_t>(std::floor(settings->topPoints * state->units.feedDpi / 72.0 + 0.5));
    return geometry;
}

void startTextJob(TextJob* job, JobState* state, const TextSettings* settings)
{
    *job = TextJob{};
    job->state = state;
    job->settings = *settings;
    job->geometry = textGeometry(state, settings);
    initInputDecoder(&job->decoder, settings->charset);
}

JobResult writeText(TextJob* job, const unsigned char* bytes, size_t count)
{
    JobState* state = job->state;
    constexpr size_t kPiece = 4096;
    uint32_t chars[kPiece + 1];
    while (count > 0 && !state->over && !serviceCancellation(state)) {
        const size_t n = count < kPiece ? count : kPiece;
        const size_t decoded = decodeInput(&job->decoder, bytes, n, chars);
        for (size_t i = 0; i < decoded && !state->over; ++i)
            takeChar(job, chars[i]);
        bytes += n;
        count -= n;
    }
    return state->over ? state->result : JobResult::Success;
}

JobResult finishTextJob(TextJob* job)
{
    JobState* state = job->state;
    uint32_t last;
    if (!state->over && finishInput(&job->decoder, &last) != 0)
        takeChar(job, last);
    if (!state->over)
        flushPending(job);
    if (!state->over && state->pageOpen)
        closePage(job);
    return finishJob(state);
}

} // namespace impact
