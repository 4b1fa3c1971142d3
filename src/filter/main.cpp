// rastertoimpact: CUPS filter from 1-bit black raster to serial-impact
// printer commands.
//   rastertoimpact job-id user title copies options [file]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "filter/exit_status.h"
#include "filter/filter_job.h"
#include "filter/raster_input.h"
#include "filter/sigterm_cancel.h"
#include "filter/status_lines.h"

using namespace impact;

namespace {

// The one job of the process: printer data to standard output, status
// lines to standard error, cancelled by SIGTERM.
JobResult runProcessJob(int descriptor, const char* optionsText)
{
    static FdWriter writer;
    static RasterReader reader;
    static JobState job;
    initFdWriter(&writer, STDOUT_FILENO);
    initRasterReader(&reader, descriptor);
    JobHost host = {};
    host.printer = fdWriterStream(&writer);
    host.reports = fdStatusLines(STDERR_FILENO);
    bridgeTermination(&job, &host);
    initJobState(&job, &host);
    const RasterSource source = rasterInputSource(&reader);
    return ::runFilterJob(&job, optionsText, std::getenv("PPD"), &source);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, kUsageLine, argc > 0 ? argv[0] : "rastertoimpact");
        return kUsageExitStatus;
    }
    // A printer connection that goes away is a write error for the job to
    // report, not a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);

    if (argc == 6)
        return exitStatusOf(runProcessJob(0, argv[5]));

    int descriptor = ::open(argv[6], O_RDONLY);
    if (descriptor < 0) {
        std::perror(kOpenRasterPrefix);
        return kUsageExitStatus;
    }
    const JobResult result = runProcessJob(descriptor, argv[5]);
    if (descriptor > 0)
        ::close(descriptor);
    return exitStatusOf(result);
}
