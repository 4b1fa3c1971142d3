#include "printer_app/ghostscript_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include <sys/wait.h>
#include <unistd.h>

#include "printer_app/dither_matrices.h"
#include "printer_app/ghostscript_run.h"
#include "printer_app/gray_dither.h"
#include "printer_app/pappl_job_host.h"

using namespace impact;

namespace {

// Copies of the document a job may ask for (copies-supported).
constexpr int kMaxCopies = 99;
constexpr int kMaxArgs = 40 + kMaxCopies;

struct Arguments {
    char text[24][160];
    char* argv[kMaxArgs + 1];
    int count;
};

void addArg(Arguments* args, const char* value)
{
    if (args->count < kMaxArgs)
        args->argv[args->count++] = const_cast<char*>(value);
    args->argv[args->count] = nullptr;
}

void addFormatted(Arguments* args, int slot, const char* format, double a, double b = 0)
{
    std::snprintf(args->text[slot], sizeof args->text[slot], format, a, b);
    addArg(args, args->text[slot]);
}

// The command line the CUPS filter chain gives Ghostscript for this
// printer's PPD, so both place a document's dots identically: the
// imageable area only (the PPD's margins as .HWMargins), the band height as
// the row count. But 8-bit darkness, dithered here with the job's matrix:
// Ghostscript's own 1-bit screen at these resolutions has 18 levels and
// leaves light colours and grays (yellow, anything under 6 % black) blank,
// and which of them it keeps depends on whether the page goes through its
// transparency compositor. Black and white come out the same either way.
// The document is named as many times as the job wants copies.
void buildArguments(const PrintJob* job, const pappl_pr_options_t* options, const char* file, uint32_t rows,
                    int copies, Arguments* args)
{
    args->count = 0;
    for (const char* fixed : {"gs", "-dQUIET", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-dNOINTERPOLATE",
                              "-dNOMEDIAATTRS", "-dShowAcroForm", "-sstdout=%stderr", "-sOutputFile=%stdout",
                              "-sDEVICE=cups"})
        addArg(args, fixed);
    const impact::PageGeometry& size = job->media.page;
    addFormatted(args, 0, "-r%.0fx%.0f", options->printer_resolution[0], options->printer_resolution[1]);
    addFormatted(args, 1, "-dMediaPosition=%.0f", job->mediaPosition);
    addFormatted(args, 2, "-dDEVICEWIDTHPOINTS=%g", size.width);
    addFormatted(args, 3, "-dDEVICEHEIGHTPOINTS=%g", size.length);
    for (const char* fixed : {"-dcupsBitsPerColor=8", "-dcupsColorOrder=0", "-dcupsColorSpace=3"})
        addArg(args, fixed);
    addFormatted(args, 4, "-dcupsRowCount=%.0f", rows);
    std::snprintf(args->text[5], sizeof args->text[5], "-scupsPageSizeName=%s", job->media.name);
    addArg(args, args->text[5]);
    addArg(args, "-c");
    std::snprintf(args->text[6], sizeof args->text[6],
                  "<</.HWMargins[%f %f %f %f] /Margins[0 0]>>setpagedevice", size.left, size.bottom,
                  size.width - size.right, size.length - size.top);
    addArg(args, args->text[6]);
    addArg(args, "-f");
    for (int i = 0; i < copies; ++i)
        addArg(args, file);
}

// Ghostscript's darkness into dots, with the density its own screen gives
// in the CUPS filter chain.
void ditherLine(void* context, const unsigned char* gray, uint32_t width, uint32_t y, unsigned char* dots)
{
    ditherGrayLine(gray, width, y, *static_cast<const pappl_dither_t*>(context), dots);
}

} // namespace

int findGhostscript(GhostscriptSettings* settings)
{
    *settings = GhostscriptSettings{};
    settings->idleLimit = 120;
    settings->cpuLimit = 600;
    const char* path = std::getenv("PATH");
    if (path == nullptr || *path == '\0')
        path = "/usr/bin:/bin";
    while (*path != '\0') {
        const char* end = std::strchr(path, ':');
        const size_t length = end != nullptr ? static_cast<size_t>(end - path) : std::strlen(path);
        if (length > 0) {
            std::snprintf(settings->program, sizeof settings->program, "%.*s/gs", static_cast<int>(length), path);
            if (access(settings->program, X_OK) == 0)
                return 0;
        }
        path += length;
        if (*path == ':')
            ++path;
    }
    settings->program[0] = '\0';
    return 2;
}

bool printWithGhostscript(pappl_job_t* papplJob, pappl_device_t* device, void* data)
{
    const auto* settings = static_cast<const GhostscriptSettings*>(data);
    if (settings == nullptr || settings->program[0] == '\0') {
        papplJobSetMessage(papplJob, "Ghostscript is not installed: PDF and PostScript cannot be printed.");
        return false;
    }
    pappl_pr_options_t* options = papplJobCreatePrintOptions(papplJob, 1, false);
    if (options == nullptr) {
        papplJobSetMessage(papplJob, "Out of memory.");
        return false;
    }
    PrintJob* job = openPrintJob(papplJob, options, device);
    const ResolutionSpec* resolution =
        job != nullptr ? findResolution(job->driver, options->printer_resolution[0], options->printer_resolution[1])
                       : nullptr;
    if (job == nullptr || resolution == nullptr) {
        if (job != nullptr) {
            failPrintJob(job, "The job's resolution is not one this printer prints.");
            closePrintJob(job);
        }
        papplJobDeletePrintOptions(options);
        return false;
    }
    const int copies = options->copies < 1 ? 1 : options->copies > kMaxCopies ? kMaxCopies : options->copies;
    Arguments args;
    buildArguments(job, options, papplJobGetFilename(papplJob), resolution->rows, copies, &args);

    GhostscriptRun run;
    const int startError = startGhostscript(settings, args.argv, papplJob, &run);
    if (startError != 0) {
        char message[200];
        std::snprintf(message, sizeof message, "Ghostscript could not be started: %s.", std::strerror(startError));
        failPrintJob(job, message);
    } else {
        pappl_dither_t matrix;
        makeLinearDither(matrix);
        GrayPages gray{ditherLine, &matrix};
        job->countsImpressions = true;
        cups_raster_t* raster = cupsRasterOpenIO(readGhostscript, &run, CUPS_RASTER_READ);
        if (raster != nullptr) {
            printJobPages(job, raster, &gray);
            cupsRasterClose(raster);
        }
        const bool stopped = raster == nullptr || gray.cutShort || job->failed || job->cancelled;
        const int exit = finishGhostscript(&run, stopped || run.cancelled || run.timedOut);
        // A page cut short by a cancel rather than by Ghostscript's end.
        if (gray.cutShort && papplJobIsCanceled(papplJob))
            checkCancelled(job);
        if (!job->cancelled && !job->failed) {
            char message[300];
            if (run.timedOut)
                std::snprintf(message, sizeof message,
                              "Ghostscript produced nothing for %d seconds and was stopped.", settings->idleLimit);
            else if (stopped || !WIFEXITED(exit) || WEXITSTATUS(exit) != 0 || job->pagesDone == 0)
                std::snprintf(message, sizeof message, "The document could not be read%s%s",
                              run.lastMessage[0] != '\0' ? ": " : ".", run.lastMessage);
            else
                message[0] = '\0';
            if (message[0] != '\0')
                failPrintJob(job, message);
        }
    }
    const int cancelled = job->cancelled;
    const int printed = closePrintJob(job);
    papplJobDeletePrintOptions(options);
    return printed != 0 || cancelled != 0;
}
