#include "printer_app/port_device.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "printer_app/port_list.h"
#include "printer_app/port_uri.h"
#include "printer_app/serial_line.h"

namespace {

std::atomic<pappl_system_t*> gSystem{nullptr};

struct Port {
    int fd = -1;
    PortUri uri;
    char deviceUri[1024] = "";
    time_t lastProgress = 0;
    int readyButFull = 0;            // waits the device said it was ready for, in a row
    std::atomic<bool> stalled{false}; // reported on the printer and the job
    bool canceled = false;            // the job was cancelled: unsent bytes go
};

struct JobSearch {
    const char* deviceUri;
    pappl_printer_t* printer;
    pappl_job_t* job;
};

void findProcessingJob(pappl_job_t* job, void* data)
{
    if (papplJobGetState(job) == IPP_JSTATE_PROCESSING)
        static_cast<JobSearch*>(data)->job = job;
}

void findPrinter(pappl_printer_t* printer, void* data)
{
    auto* search = static_cast<JobSearch*>(data);
    const char* uri = papplPrinterGetDeviceURI(printer);
    if (search->printer == nullptr && uri != nullptr && std::strcmp(uri, search->deviceUri) == 0) {
        search->printer = printer;
        papplPrinterIterateActiveJobs(printer, findProcessingJob, data, 1, 0);
    }
}

// The printer on this port and the job it prints (either may be null: a
// status query, a sub-command without a system).
JobSearch currentJob(const Port* port)
{
    JobSearch search{port->deviceUri, nullptr, nullptr};
    if (pappl_system_t* system = gSystem.load())
        papplSystemIteratePrinters(system, findPrinter, &search);
    return search;
}

void setStalled(Port* port, const JobSearch& where, bool stalled)
{
    if (port->stalled == stalled)
        return;
    port->stalled = stalled;
    if (where.printer != nullptr)
        papplPrinterSetReasons(where.printer, stalled ? PAPPL_PREASON_OFFLINE : PAPPL_PREASON_NONE,
                               stalled ? PAPPL_PREASON_NONE : PAPPL_PREASON_OFFLINE);
    if (where.job == nullptr)
        return;
    if (stalled)
        papplJobSetMessage(where.job,
                           "The printer has taken no data for %d seconds (paused with XOFF, not ready, or "
                           "offline): check its paper and its online switch; the job goes on when it takes "
                           "data again, or cancel it.",
                           kStallSeconds);
    else
        papplJobSetMessage(where.job, "Printing: the printer takes data again.");
}

// One wait for the printer (it holds data back, or the port still holds
// bytes). False when the job was cancelled meanwhile.
bool waitForPrinter(Port* port, short events)
{
    pollfd fd{port->fd, events, 0};
    const int polled = events != 0 ? poll(&fd, 1, 250) : -1;
    if (polled > 0 && (fd.revents & events) != 0) {
        // A parallel port says it is ready when it is not: no spinning.
        if (++port->readyButFull > 1)
            usleep(20000);
    } else if (polled != 0) {
        usleep(100000); // nothing to wait on, or an error the write will report
    }
    const JobSearch where = currentJob(port);
    if (where.job != nullptr && papplJobIsCanceled(where.job)) {
        port->canceled = true;
        tcflush(port->fd, TCOFLUSH);
        setStalled(port, where, false);
        return false;
    }
    if (time(nullptr) - port->lastProgress >= kStallSeconds)
        setStalled(port, where, true);
    return true;
}

void progress(Port* port)
{
    port->lastProgress = time(nullptr);
    port->readyButFull = 0;
    if (port->stalled)
        setStalled(port, currentJob(port), false);
}

bool openPort(pappl_device_t* device, const char* deviceUri, const char*)
{
    auto* port = new Port;
    port->uri = parsePortUri(deviceUri);
    std::snprintf(port->deviceUri, sizeof port->deviceUri, "%s", deviceUri);
    if (!port->uri.ok) {
        papplDeviceError(device, "Bad device URI '%s': %s.", deviceUri, port->uri.error);
        delete port;
        return false;
    }
    const bool serial = port->uri.kind == PortKind::Serial;
    const char* path = port->uri.settings.path;
    port->fd = open(path, (serial ? O_RDWR | O_NOCTTY : O_WRONLY | O_APPEND) | O_NONBLOCK | O_CLOEXEC);
    if (port->fd < 0) {
        papplDeviceError(device, "Unable to open %s: %s.", path, std::strerror(errno));
        delete port;
        return false;
    }
    char error[256];
    if (serial && !applyLineSettings(port->fd, port->uri.settings, error, sizeof error)) {
        papplDeviceError(device, "%s.", error);
        close(port->fd);
        delete port;
        return false;
    }
    port->lastProgress = time(nullptr);
    papplDeviceSetData(device, port);
    return true;
}

ssize_t writePort(pappl_device_t* device, const void* buffer, size_t bytes)
{
    auto* port = static_cast<Port*>(papplDeviceGetData(device));
    const auto* data = static_cast<const unsigned char*>(buffer);
    const bool dsrFlow = port->uri.kind == PortKind::Serial && port->uri.settings.flow == FlowControl::DtrDsr;
    size_t done = 0;
    port->lastProgress = time(nullptr);
    while (done < bytes && !port->canceled) {
        if (dsrFlow && !dsrReady(port->fd)) {
            if (!waitForPrinter(port, 0))
                break;
            continue;
        }
        const ssize_t n = write(port->fd, data + done, bytes - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            progress(port);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            papplDeviceError(device, "Unable to write to %s: %s.", port->uri.settings.path, std::strerror(errno));
            return -1;
        } else if (!waitForPrinter(port, POLLOUT)) {
            break;
        }
    }
    // The job counts as printed when the printer has its bytes: wait for
    // what the port still holds here, where the job can be cancelled, not
    // when PAPPL closes the device.
    int queued = 0;
    while (!port->canceled && port->uri.kind == PortKind::Serial && ioctl(port->fd, TIOCOUTQ, &queued) == 0 &&
           queued > 0) {
        const int before = queued;
        if (waitForPrinter(port, 0) && ioctl(port->fd, TIOCOUTQ, &queued) == 0 && queued < before)
            progress(port);
    }
    if (port->canceled) {
        errno = ECANCELED;
        return -1;
    }
    return static_cast<ssize_t>(bytes);
}

ssize_t readPort(pappl_device_t* device, void* buffer, size_t bytes)
{
    auto* port = static_cast<Port*>(papplDeviceGetData(device));
    if (port->uri.kind != PortKind::Serial)
        return 0;
    const ssize_t n = read(port->fd, buffer, bytes);
    return n < 0 && errno == EAGAIN ? 0 : n;
}

// PAPPL may close the device with the printer locked: no printer calls here.
void closePort(pappl_device_t* device)
{
    auto* port = static_cast<Port*>(papplDeviceGetData(device));
    if (port == nullptr)
        return;
    if (port->canceled)
        tcflush(port->fd, TCOFLUSH);
    close(port->fd);
    delete port;
    papplDeviceSetData(device, nullptr);
}

pappl_preason_t portStatus(pappl_device_t* device)
{
    const auto* port = static_cast<const Port*>(papplDeviceGetData(device));
    return port != nullptr && port->stalled ? PAPPL_PREASON_OFFLINE : PAPPL_PREASON_NONE;
}

bool listPorts(pappl_device_cb_t cb, void* data, pappl_deverror_cb_t, void*)
{
    FoundPort ports[64];
    const int count = findPorts("/dev", ports, 64);
    for (int i = 0; i < count; ++i) {
        char uri[300];
        char info[300];
        const char* name = std::strrchr(ports[i].path, '/') + 1;
        if (ports[i].kind == PortKind::Serial) {
            serialUriFor(ports[i].path, uri, sizeof uri);
            std::snprintf(info, sizeof info, "Serial port %s (set the printer's speed and flow control in the URI)",
                          name);
        } else {
            std::snprintf(uri, sizeof uri, "parallel:%.255s", ports[i].path);
            std::snprintf(info, sizeof info, "Parallel port %s", name);
        }
        if (cb(info, uri, "", data))
            return true;
    }
    return false;
}

bool listNothing(pappl_device_cb_t, void*, pappl_deverror_cb_t, void*)
{
    return false;
}

bool listNone(const char*, const char*, const char*, void*)
{
    return false;
}

char* noDeviceId(pappl_device_t*, char*, size_t)
{
    return nullptr;
}

} // namespace

void registerPortSchemes()
{
    // PAPPL adds its own schemes (file, usb, socket, ...) when it first
    // lists or opens devices, and only to an empty list: have it do so
    // first (listing file devices finds nothing).
    papplDeviceList(PAPPL_DEVTYPE_FILE, listNone, nullptr, nullptr, nullptr);
    papplDeviceAddScheme("serial", PAPPL_DEVTYPE_CUSTOM_LOCAL, listPorts, openPort, closePort, readPort, writePort,
                         portStatus, noDeviceId);
    // Listed once, by the serial scheme.
    papplDeviceAddScheme("parallel", PAPPL_DEVTYPE_CUSTOM_LOCAL, listNothing, openPort, closePort, readPort, writePort,
                         portStatus, noDeviceId);
}

void watchPortJobs(pappl_system_t* system)
{
    gSystem.store(system);
}

bool portUriArgumentsValid(int argc, char* argv[])
{
    if (argc < 2 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "modify") != 0))
        return true;
    for (int i = 2; i < argc; ++i) {
        const char* uri = nullptr;
        if (std::strcmp(argv[i], "-v") == 0 && i + 1 < argc)
            uri = argv[++i];
        else if (std::strncmp(argv[i], "-v", 2) == 0 && argv[i][2] != '\0')
            uri = argv[i] + 2;
        if (!isPortUri(uri))
            continue;
        const PortUri parsed = parsePortUri(uri);
        if (!parsed.ok) {
            std::fprintf(stderr, "%s: bad device URI '%s': %s.\n", argv[0], uri, parsed.error);
            return false;
        }
    }
    return true;
}
