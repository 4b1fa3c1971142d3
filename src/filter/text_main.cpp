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

#include "filter/exit_status.h"
#include "filter/sigterm_cancel.h"
#include "filter/status_lines.h"
#include "filter/text_options.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"
#include "engine/job/job_setup.h"
#include "engine/text/text_job.h"
#include "engine/text/text_option_values.h"
#include "filter/ppd_settings.h"

using namespace impact;

namespace {

constexpr char kPpdReadError[] = "Can not read PPD information.";
constexpr char kTextReadError[] = "Unable to read print data.";
constexpr char kReplacedLine[] =
    "%u characters are not in the printer's character table %s: printed as a stand-in or '?'.";
constexpr char kDroppedLine[] = "%u control characters in the text were not sent to the printer.";
constexpr char kCutLine[] = "%u lines were longer than the page and were cut.";

// Reads the PPD and the options into the job and the text settings.
JobResult setUpTextJob(JobState* job, const char* optionsText, TextSettings* settings)
{
    const char* ppdPath = std::getenv("PPD");
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        sendMessage(&job->host.reports, ReportLevel::Error, kPpdReadError);
        return JobResult::SettingsUnreadable;
    }
    JobSettings jobSettings;
    JobResult result = settingsFromOpenPpd(ppd, optionsText, &job->host.reports, &jobSettings);
    if (result == JobResult::Success)
        result = configureJob(job, &jobSettings);
    if (result == JobResult::Success)
        readTextSettings(ppd, optionsText, jobSettings.printerClass == PrinterClass::NinePin, &job->host.reports,
                         settings);
    ppdClose(ppd);
    return result;
}

JobResult printText(TextJob* text, int descriptor)
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
            sendMessage(&job->host.reports, ReportLevel::Error, kTextReadError);
            return failJob(job, JobResult::OutputFailed);
        }
        if (n == 0)
            return finishTextJob(text);
        if (writeText(text, buffer, static_cast<size_t>(n)) != JobResult::Success || job->over)
            return finishJob(job);
    }
}

JobResult runTextFilterJob(int descriptor, const char* optionsText)
{
    static FdWriter writer;
    static JobState job;
    static TextJob text;
    initFdWriter(&writer, STDOUT_FILENO);
    JobHost host = {};
    host.printer = fdWriterStream(&writer);
    host.reports = fdStatusLines(STDERR_FILENO);
    bridgeTermination(&job, &host);
    initJobState(&job, &host);
    TextSettings settings;
    JobResult result = setUpTextJob(&job, optionsText, &settings);
    if (result != JobResult::Success)
        return result;
    startTextJob(&text, &job, &settings);
    result = printText(&text, descriptor);
    // Written even for a cancelled job, whose own reports go nowhere now.
    const ReportSink lines = fdStatusLines(STDERR_FILENO);
    const TextReport& report = text.report;
    char message[512];
    if (report.replaced != 0) {
        std::snprintf(message, sizeof message, kReplacedLine, report.replaced, charTableLabel(settings.table));
        sendMessage(&lines, ReportLevel::Warning, message);
    }
    if (report.dropped != 0) {
        std::snprintf(message, sizeof message, kDroppedLine, report.dropped);
        sendMessage(&lines, ReportLevel::Info, message);
    }
    if (report.cutLines != 0) {
        std::snprintf(message, sizeof message, kCutLine, report.cutLines);
        sendMessage(&lines, ReportLevel::Info, message);
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, kUsageLine, argc > 0 ? argv[0] : "texttoimpact");
        return kUsageExitStatus;
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 6)
        return exitStatusOf(runTextFilterJob(0, argv[5]));
    int descriptor = ::open(argv[6], O_RDONLY);
    if (descriptor < 0) {
        std::perror("ERROR: Unable to open text file - ");
        return kUsageExitStatus;
    }
    const JobResult result = runTextFilterJob(descriptor, argv[5]);
    ::close(descriptor);
    return exitStatusOf(result);
}
