#include "printer_app/pappl_job_host.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "printer_app/job_journal.h"
#include "printer_app/media_table.h"
#include "printer_app/vendor_options.h"

using namespace impact;

namespace {

// Hands the collected bytes to the device; 0, or the failed write's errno.
int drainOutput(PrintJob* job)
{
    if (job->outputUsed == 0 || job->deviceError != 0)
        return job->deviceError;
    errno = 0;
    const ssize_t written = papplDeviceWrite(job->device, job->output, job->outputUsed);
    if (written < 0 || static_cast<size_t>(written) != job->outputUsed)
        job->deviceError = errno != 0 ? errno : EIO;
    job->handedBytes += job->outputUsed;
    job->outputUsed = 0;
    return job->deviceError;
}

size_t writeToDevice(void* context, const unsigned char* bytes, size_t count)
{
    auto* job = static_cast<PrintJob*>(context);
    size_t taken = 0;
    while (taken < count && job->deviceError == 0) {
        size_t room = kOutputBufferSize - job->outputUsed;
        size_t n = count - taken < room ? count - taken : room;
        std::memcpy(job->output + job->outputUsed, bytes + taken, n);
        job->outputUsed += n;
        taken += n;
        if (job->outputUsed == kOutputBufferSize && drainOutput(job) != 0)
            return 0;
    }
    return job->deviceError == 0 ? taken : 0;
}

// False when the device did not take everything.
bool flushDevice(void* context)
{
    auto* job = static_cast<PrintJob*>(context);
    if (drainOutput(job) != 0)
        return false;
    // PAPPL keeps small writes in a buffer of its own and does not say when
    // sending it fails; the device's count of bytes written does.
    errno = 0;
    papplDeviceFlush(job->device);
    pappl_devmetrics_t metrics;
    papplDeviceGetMetrics(job->device, &metrics);
    if (metrics.write_bytes - job->deviceBaseline < job->handedBytes) {
        job->deviceError = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

pappl_loglevel_t logLevelOf(ReportLevel level)
{
    switch (level) {
    case ReportLevel::Info:
        return PAPPL_LOGLEVEL_INFO;
    case ReportLevel::Warning:
        return PAPPL_LOGLEVEL_WARN;
    case ReportLevel::Error:
        break;
    }
    return PAPPL_LOGLEVEL_ERROR;
}

// The engine's reports go to the job's log at their level; its errors are
// kept for the job's message.
void takeReport(void* context, const JobReport* report)
{
    auto* job = static_cast<PrintJob*>(context);
    char text[sizeof job->engineError];
    reportMessage(report, text, sizeof text);
    if (report->level == ReportLevel::Error)
        std::memcpy(job->engineError, text, sizeof text);
    papplLogJob(job->job, logLevelOf(report->level), "%s", text);
}

bool cancelRequested(void* context, uint32_t* pendingBytes)
{
    auto* job = static_cast<PrintJob*>(context);
    if (pendingBytes != nullptr)
        *pendingBytes = 0; // polled between lines: nothing is in flight
    return papplJobIsCanceled(job->job);
}

// Sets one of the printer's own settings.
void applyVendorValue(VendorSetting setting, int value, JobSettings* settings, bool* rollPaperSaving, bool* tearOff)
{
    switch (setting) {
    case VendorSetting::Speed:
        settings->speed = static_cast<PrintSpeed>(value);
        break;
    case VendorSetting::Direction:
        settings->direction = static_cast<PrintDirection>(value);
        break;
    case VendorSetting::Margins:
        settings->margins = static_cast<MarginOwner>(value);
        break;
    case VendorSetting::PacketModeExit:
        settings->packetModeExit = value != 0;
        break;
    case VendorSetting::RollPaperSaving:
        *rollPaperSaving = value != 0;
        break;
    case VendorSetting::TearOff:
        *tearOff = value != 0;
        break;
    }
}

// The printer's own settings, each from the job, the printer's default or
// the option's own default, and the paper handling of the job's source.
// False, with the job's message set, for a value the option does not have.
bool applyOptions(PrintJob* job, const pappl_pr_options_t* options, PaperSource source, JobSettings* settings)
{
    ipp_t* printerAttrs = papplPrinterGetDriverAttributes(papplJobGetPrinter(job->job));
    bool applied = true;
    bool rollPaperSaving = false;
    bool tearOff = false;
    for (int i = 0; i < vendorOptionCount() && applied; ++i) {
        const VendorOption* option = vendorOptionAt(i);
        const char* badValue = nullptr;
        const VendorValue* value = resolveVendorValue(option, options, printerAttrs, &badValue);
        if (value == nullptr) {
            char values[128] = "";
            for (int v = 0; v < option->valueCount; ++v)
                std::snprintf(values + std::strlen(values), sizeof values - std::strlen(values), "%s%s",
                              v != 0 ? ", " : "", option->values[v].keyword);
            papplJobSetMessage(job->job, "Unsupported %s value '%s' (supported: %s).", option->name, badValue,
                               values);
            applied = false;
            break;
        }
        applyVendorValue(option->setting, value->value, settings, &rollPaperSaving, &tearOff);
        papplLogJob(job->job, PAPPL_LOGLEVEL_DEBUG, "%s=%s", option->name, value->keyword);
    }
    ippDelete(printerAttrs);
    setPaperHandling(settings, source, rollPaperSaving, tearOff);
    return applied;
}

// The engine has ended a page. One ended by a cancel or a failure is not a
// page printed.
void pageEnded(void* context)
{
    auto* job = static_cast<PrintJob*>(context);
    const JobState& engine = job->engine;
    if (!engine.pageOpen || engine.cancelled || engine.finishing || job->failed || !flushDevice(job))
        return;
    journalPageDone(job->job, ++job->pagesDone);
    if (job->countsImpressions)
        papplJobSetImpressionsCompleted(job->job, 1);
}

// True when the engine has ended the job for a cancel (it asks the host
// itself before each line).
bool takeEngineCancel(PrintJob* job)
{
    if (job->cancelled)
        return true;
    if (job->failed || !job->engine.cancelled)
        return false;
    job->cancelled = true;
    papplLogJob(job->job, PAPPL_LOGLEVEL_INFO, "Cancelled: the page and the job were ended on paper.");
    return true;
}

// The job's message after the engine or the device failed: what the engine
// reported, and why the device stopped.
void reportFailure(PrintJob* job)
{
    char error[sizeof job->engineError + 1];
    const size_t length = std::strlen(job->engineError);
    // A sentence, whether or not the engine's text ends as one.
    std::snprintf(error, sizeof error, "%s%s", job->engineError,
                  length != 0 && std::strchr(".!", job->engineError[length - 1]) == nullptr ? "." : "");
    char message[400];
    if (job->deviceError != 0)
        std::snprintf(message, sizeof message, "%s%sThe printer stopped taking data: %s.", error,
                      length != 0 ? " " : "", std::strerror(job->deviceError));
    else if (length != 0)
        std::snprintf(message, sizeof message, "The job could not be printed: %s", error);
    else
        std::snprintf(message, sizeof message, "The job could not be printed.");
    failPrintJob(job, message);
}

} // namespace

void failPrintJob(PrintJob* job, const char* message)
{
    if (!job->failed) {
        papplJobSetMessage(job->job, "%s", message);
        papplLogJob(job->job, PAPPL_LOGLEVEL_ERROR, "%s", message);
        if (job->deviceError != 0)
            papplPrinterSetReasons(papplJobGetPrinter(job->job), PAPPL_PREASON_OTHER, PAPPL_PREASON_NONE);
    }
    job->failed = true;
}

PrintJob* openPrintJob(pappl_job_t* papplJob, const pappl_pr_options_t* options, pappl_device_t* device)
{
    pappl_printer_t* printer = papplJobGetPrinter(papplJob);
    const DriverSpec* driver = findDriver(papplPrinterGetDriverName(printer));
    if (driver == nullptr) {
        papplJobSetMessage(papplJob, "The printer's driver '%s' is not one of this application's.",
                           papplPrinterGetDriverName(printer));
        return nullptr;
    }
    MediaSize media;
    if (pageSizeForMedia(&options->media, &media) != 0) {
        papplJobSetMessage(papplJob, "The paper size %s (%.1f x %.1f mm) is outside what the printer takes.",
                           options->media.size_name, options->media.size_width / 100.0,
                           options->media.size_length / 100.0);
        return nullptr;
    }
    PrintJob* job = new (std::nothrow) PrintJob();
    if (job == nullptr) {
        papplJobSetMessage(papplJob, "Out of memory.");
        return nullptr;
    }
    job->job = papplJob;
    job->device = device;
    pappl_devmetrics_t metrics;
    papplDeviceGetMetrics(device, &metrics);
    job->deviceBaseline = metrics.write_bytes;
    job->driver = driver;
    job->media = media;
    const SourceSpec* source = findSource(options->media.source);
    job->mediaPosition = source->mediaPosition;

    JobHost host{};
    host.printer = OutputStream{writeToDevice, flushDevice, job};
    host.reports = ReportSink{takeReport, job};
    host.cancelRequested = cancelRequested;
    host.pageEnded = pageEnded;
    host.context = job;
    initJobState(&job->engine, &host);

    JobSettings settings{};
    settings.printerClass = driver->printerClass;
    settings.page = media.page;
    settings.graphicsFlags = driver->graphicsFlags;
    settings.speedCommand = driver->speedCommand;
    if (!applyOptions(job, options, source->source, &settings)) {
        delete job;
        return nullptr;
    }
    if (configureJob(&job->engine, &settings) != JobResult::Success) {
        papplJobSetMessage(papplJob, "The job's settings could not be applied.");
        delete job;
        return nullptr;
    }
    papplLogJob(papplJob, PAPPL_LOGLEVEL_INFO, "%s, %s (%gx%g points), %s, %dx%d dpi", driver->name,
                media.name, media.page.width, media.page.length, source->pwgName, options->printer_resolution[0],
                options->printer_resolution[1]);
    journalJobStarted(papplJob, true);
    return job;
}

bool checkCancelled(PrintJob* job)
{
    if (takeEngineCancel(job))
        return true;
    if (job->failed || !papplJobIsCanceled(job->job))
        return false;
    cancelJob(&job->engine);
    return takeEngineCancel(job);
}

bool printJobStartPage(PrintJob* job, const cups_page_header2_t* header)
{
    if (job->failed || job->cancelled)
        return true;
    if (startPage(&job->engine, header) != JobResult::Success) {
        reportFailure(job);
        return true;
    }
    return false;
}

bool printJobPushLine(PrintJob* job, const unsigned char* line)
{
    if (job->failed || job->cancelled)
        return true;
    if (pushLine(&job->engine, line) != JobResult::Success) {
        reportFailure(job);
        return true;
    }
    return takeEngineCancel(job);
}

bool printJobFinishPage(PrintJob* job)
{
    if (job->failed || job->cancelled)
        return true;
    // The engine's pageEnded hands the page's bytes to the device.
    if (finishPage(&job->engine) != JobResult::Success || job->deviceError != 0) {
        reportFailure(job);
        return true;
    }
    takeEngineCancel(job);
    return false;
}

bool printJobPages(PrintJob* job, cups_raster_t* raster, GrayPages* gray)
{
    if (job->failed || job->cancelled)
        return true;
    const JobResult result = printRasterPages(&job->engine, raster, nullptr, gray);
    if (result != JobResult::Success || job->deviceError != 0) {
        reportFailure(job);
        return true;
    }
    if (gray == nullptr || !gray->cutShort)
        takeEngineCancel(job);
    return false;
}

bool closePrintJob(PrintJob* job)
{
    if (job == nullptr)
        return false;
    bool printed = false;
    if (!job->failed && !job->cancelled) {
        if (finishJob(&job->engine) != JobResult::Success || !flushDevice(job))
            reportFailure(job);
        else
            printed = true;
    } else if (job->failed) {
        // The engine has ended the job on paper and released what it held;
        // this only tidies up after a failure outside the engine.
        finishJob(&job->engine);
        flushDevice(job);
    }
    // Only when a failure is to be cleared: PAPPL 1.3.1 can deadlock when
    // this write lock on the printer is waited for while it saves its state
    // and a raster Print-Job is being set up (seen after 189 jobs).
    pappl_printer_t* printer = papplJobGetPrinter(job->job);
    if (printed && (papplPrinterGetReasons(printer) & PAPPL_PREASON_OTHER) != 0)
        papplPrinterSetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_OTHER);
    journalJobEnded(job->job);
    delete job;
    return printed;
}

bool runSheetJob(pappl_job_t* papplJob, pappl_device_t* device,
                 int (*print)(PrintJob* job, const pappl_pr_options_t* options))
{
    pappl_pr_options_t* options = papplJobCreatePrintOptions(papplJob, 1, false);
    if (options == nullptr) {
        papplJobSetMessage(papplJob, "Out of memory.");
        return false;
    }
    PrintJob* job = openPrintJob(papplJob, options, device);
    if (job != nullptr) {
        job->countsImpressions = true;
        print(job, options);
        checkCancelled(job);
    }
    const bool cancelled = job != nullptr && job->cancelled;
    const bool printed = closePrintJob(job);
    papplJobDeletePrintOptions(options);
    return printed || cancelled;
}

bool planJobSheet(PrintJob* job, const pappl_pr_options_t* options, SheetCrop* area, cups_page_header2_t* header)
{
    const ResolutionSpec* resolution =
        findResolution(job->driver, options->header.HWResolution[0], options->header.HWResolution[1]);
    if (resolution == nullptr || planSheetCrop(&options->header, &job->media.page, resolution->rows, area, header) != 0) {
        failPrintJob(job, "The job's resolution is not one this printer prints.");
        return false;
    }
    return true;
}
