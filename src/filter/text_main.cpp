// texttoimpact: CUPS filter from plain text to serial-impact printer
// commands, printed in the printer's own fonts.
//   texttoimpact job-id user title copies options [file]
// Exit statuses and status lines as rastertoimpact's.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include <cups/ppd.h>

#include "filter/sigterm_cancel.h"
#include "filter/text_options.h"
#include "engine/output/status_messages.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"
#include "engine/job/job_setup.h"
#include "engine/text/text_job.h"
#include "engine/text/text_option_values.h"
#include "filter/ppd_settings.h"

using namespace impact;

namespace {

constexpr const char* kTextReadError = "ERROR: Unable to read print data.\n";
constexpr const char* kReplacedLine =
    "WARNING: %u characters are not in the printer's character table %s: printed as a stand-in or '?'.\n";
constexpr const char* kDroppedLine = "INFO: %u control characters in the text were not sent to the printer.\n";
constexpr const char* kCutLine = "INFO: %u lines were longer than the page and were cut.\n";

// Reads the PPD and the options into the job and the text settings.
StatusCode setUpTextJob(JobState* job, const char* optionsText, TextSettings* settings)
{
    const char* ppdPath = std::getenv("PPD");
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        statusLine(&job->host.status, kPpdReadError);
        return kPpdUnreadable;
    }
    JobSettings jobSettings;
    StatusCode status = settingsFromOpenPpd(ppd, optionsText, &job->host.status, &jobSettings);
    if (status == 0)
        status = configureJob(job, &jobSettings);
    if (status == 0)
        readTextSettings(ppd, optionsText, jobSettings.printerClass == PrinterClass::NinePin, &job->host.status,
                         settings);
    ppdClose(ppd);
    return status;
}

StatusCode printText(TextJob* text, int descriptor)
{
    JobState* job = text->state;
    static unsigned char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(descriptor, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            if (serviceCancellation(job))
                return finishJob(job);
            continue;
        }
        if (n < 0) {
            statusLine(&job->host.status, kTextReadError);
            return failJob(job, kOutputFailed);
        }
        if (n == 0)
            return finishTextJob(text);
        if (writeText(text, buffer, static_cast<size_t>(n)) != 0 || job->over)
            return finishJob(job);
    }
}

StatusCode runTextFilterJob(int descriptor, const char* optionsText)
{
    static FdWriter writer;
    static JobState job;
    static TextJob text;
    initFdWriter(&writer, STDOUT_FILENO);
    JobHost host = {};
    host.printer = fdWriterStream(&writer);
    host.status = fdStatusSink(STDERR_FILENO);
    bridgeTermination(&job, &host);
    initJobState(&job, &host);
    TextSettings settings;
    StatusCode status = setUpTextJob(&job, optionsText, &settings);
    if (status != 0)
        return status;
    startTextJob(&text, &job, &settings);
    status = printText(&text, descriptor);
    const StatusSink sink = fdStatusSink(STDERR_FILENO);
    const TextReport& report = text.report;
    if (report.replaced != 0)
        statusLine(&sink, kReplacedLine, report.replaced, charTableLabel(settings.table));
    if (report.dropped != 0)
        statusLine(&sink, kDroppedLine, report.dropped);
    if (report.cutLines != 0)
        statusLine(&sink, kCutLine, report.cutLines);
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, kUsageLine, argc > 0 ? argv[0] : "texttoimpact");
        return kUsageError;
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 6)
        return runTextFilterJob(0, argv[5]);
    int descriptor = ::open(argv[6], O_RDONLY);
    if (descriptor < 0) {
        std::perror("ERROR: Unable to open text file - ");
        return kUsageError;
    }
    StatusCode status = runTextFilterJob(descriptor, argv[5]);
    ::close(descriptor);
    return status;
}
