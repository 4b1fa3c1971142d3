// rastertoimpact: CUPS filter from 1-bit black raster to serial-impact
// printer commands.
//   rastertoimpact job-id user title copies options [file]
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "filter/job_run.h"
#include "output/status_messages.h"

int main(int argc, char* argv[])
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, kUsageLine, argc > 0 ? argv[0] : "rastertoimpact");
        return 1;
    }
    // A printer connection that goes away is a write error for the job to
    // report, not a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);

    if (argc == 6)
        return runJob(0, argv[5]);

    int descriptor = ::open(argv[6], O_RDONLY);
    if (descriptor < 0) {
        std::perror(kOpenRasterPrefix);
        return 1;
    }
    StatusCode status = runJob(descriptor, argv[5]);
    if (descriptor > 0)
        ::close(descriptor);
    return status;
}
