#include "printer_app/raw_input.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "printer_app/job_journal.h"

bool printRawFile(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device)
{
    const int fd = open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        papplJobSetMessage(job, "The document could not be opened: %s.", std::strerror(errno));
        return false;
    }
    // Blocks larger than PAPPL's device buffer go to the device at once, so
    // a failing device is seen on the write that failed.
    journalJobStarted(job, false);
    static constexpr size_t kBlock = 64 * 1024;
    auto* buffer = new unsigned char[kBlock];
    bool ok = true;
    for (;;) {
        if (papplJobIsCanceled(job))
            break;
        const ssize_t n = read(fd, buffer, kBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            papplJobSetMessage(job, "The document could not be read: %s.", std::strerror(errno));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        errno = 0;
        if (papplDeviceWrite(device, buffer, static_cast<size_t>(n)) != n) {
            if (papplJobIsCanceled(job)) { // the device dropped the rest on purpose
                ok = false;
                break;
            }
            papplJobSetMessage(job, "The printer stopped taking data: %s.",
                               std::strerror(errno != 0 ? errno : EIO));
            papplPrinterSetReasons(papplJobGetPrinter(job), PAPPL_PREASON_OTHER, PAPPL_PREASON_NONE);
            ok = false;
            break;
        }
    }
    delete[] buffer;
    close(fd);
    journalJobEnded(job);
    if (ok)
        papplDeviceFlush(device);
    return ok;
}
