#include "printer_app/text_input.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "engine/text/text_job.h"
#include "engine/text/text_option_values.h"
#include "printer_app/pappl_job_host.h"
#include "printer_app/text_options.h"

using namespace impact;

namespace {

// The document's text into the engine; false when it cannot be read.
bool feedDocument(PrintJob* job, TextJob* text, int fd)
{
    static constexpr size_t kBlock = 64 * 1024;
    auto* buffer = new unsigned char[kBlock];
    bool ok = true;
    while (!job->engine.over) {
        if (checkCancelled(job))
            break;
        const ssize_t n = read(fd, buffer, kBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        writeText(text, buffer, static_cast<size_t>(n));
    }
    delete[] buffer;
    return ok;
}

void setReportMessage(pappl_job_t* job, const TextReport& report, CharTable table)
{
    char message[256] = "";
    if (report.replaced != 0)
        std::snprintf(message, sizeof message,
                      "%u characters are not in the printer's character table %s: printed as a stand-in or '?'.",
                      report.replaced, charTableLabel(table));
    if (report.cutLines != 0)
        std::snprintf(message + std::strlen(message), sizeof message - std::strlen(message),
                      "%s%u lines were longer than the page and were cut.", message[0] != '\0' ? " " : "",
                      report.cutLines);
    if (message[0] != '\0')
        papplJobSetMessage(job, "%s", message);
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Text: %u pages, %u characters replaced, %u control characters dropped.",
                report.pages, report.replaced, report.dropped);
}

} // namespace

bool looksLikeText(const unsigned char* header, size_t size)
{
    if (size == 0)
        return false;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = header[i];
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || c == 0x7F)
            return false;
    }
    // A character cut off where the header ends is not held against it.
    InputDecoder decoder;
    initInputDecoder(&decoder, InputCharset::Utf8);
    auto* chars = new uint32_t[size + 1];
    const size_t count = decodeInput(&decoder, header, size, chars);
    const bool valid = std::find(chars, chars + count, kReplacementChar) == chars + count;
    delete[] chars;
    return valid;
}

bool printTextDocument(pappl_job_t* papplJob, pappl_device_t* device, void*)
{
    pappl_pr_options_t* options = papplJobCreatePrintOptions(papplJob, INT_MAX, false);
    if (options == nullptr) {
        papplJobSetMessage(papplJob, "Out of memory.");
        return false;
    }
    PrintJob* job = openPrintJob(papplJob, options, device);
    TextSettings settings;
    if (job == nullptr || !resolveTextSettings(papplJob, options, job->driver, &settings)) {
        if (job != nullptr) {
            job->failed = 1; // the message is set; nothing was sent, nothing is to be
            job->engine.over = 1;
            closePrintJob(job);
        }
        papplJobDeletePrintOptions(options);
        return false;
    }
    papplLogJob(papplJob, PAPPL_LOGLEVEL_INFO, "Text: %s cpi, %d lpi, table %s, %s, %s quality.",
                pitchName(settings.pitch), linesPerInch(settings.spacing), charTableLabel(settings.table),
                inputCharsetName(settings.charset), settings.quality == TextQuality::Draft ? "draft" : "letter");
    const int fd = open(papplJobGetFilename(papplJob), O_RDONLY | O_CLOEXEC);
    TextJob text;
    startTextJob(&text, &job->engine, &settings);
    if (fd < 0 || !feedDocument(job, &text, fd)) {
        char message[200];
        std::snprintf(message, sizeof message, "The document could not be read: %s.", std::strerror(errno));
        cancelJob(&job->engine); // ends what was begun on paper
        failPrintJob(job, message);
    } else if (!checkCancelled(job) && !job->failed) {
        finishTextJob(&text);
        papplJobSetImpressions(papplJob, static_cast<int>(text.report.pages));
        papplJobSetImpressionsCompleted(papplJob, static_cast<int>(text.report.pages));
        setReportMessage(papplJob, text.report, settings.table);
    }
    if (fd >= 0)
        close(fd);
    const int cancelled = job->cancelled;
    const int printed = closePrintJob(job);
    papplJobDeletePrintOptions(options);
    return printed != 0 || cancelled != 0;
}
