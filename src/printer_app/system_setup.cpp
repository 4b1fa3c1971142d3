#include "printer_app/system_setup.h"

#include <cstdlib>
#include <climits>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "printer_app/device_match.h"
#include "printer_app/driver_setup.h"
#include "printer_app/ghostscript_input.h"
#include "printer_app/port_device.h"
#include "printer_app/job_events.h"
#include "printer_app/job_history.h"
#include "printer_app/job_recovery.h"
#include "printer_app/document_routing.h"
#include "printer_app/image_input.h"
#include "printer_app/raster_file_input.h"
#include "printer_app/raw_input.h"
#include "printer_app/text_input.h"
#include "printer_app/raw_port.h"
#include "printer_app/test_page.h"
#include "printer_app/web_strings.h"

namespace {

bool gRecoverJobs = false;

struct NamedFlag {
    const char* name;
    pappl_soptions_t flag;
    bool set; // false: the name clears the flag
};

constexpr NamedFlag kServerOptions[] = {
    {"no-multi-queue", PAPPL_SOPTIONS_MULTI_QUEUE, false},
    {"raw-socket", PAPPL_SOPTIONS_RAW_SOCKET, true},
    {"usb-printer", PAPPL_SOPTIONS_USB_PRINTER, true},
    {"no-web-interface", PAPPL_SOPTIONS_WEB_INTERFACE, false},
    {"web-log", PAPPL_SOPTIONS_WEB_LOG, true},
    {"web-network", PAPPL_SOPTIONS_WEB_NETWORK, true},
    {"web-remote", PAPPL_SOPTIONS_WEB_REMOTE, true},
    {"web-security", PAPPL_SOPTIONS_WEB_SECURITY, true},
    {"no-tls", PAPPL_SOPTIONS_NO_TLS, true},
};

pappl_soptions_t parseServerOptions(const char* text)
{
    pappl_soptions_t flags = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE;
    while (text != nullptr && *text != '\0') {
        const char* end = std::strchr(text, ',');
        const size_t length = end != nullptr ? static_cast<size_t>(end - text) : std::strlen(text);
        for (const NamedFlag& option : kServerOptions)
            if (std::strlen(option.name) == length && std::strncmp(option.name, text, length) == 0)
                flags = option.set ? (flags | option.flag) : (flags & ~option.flag);
        text += length;
        if (*text == ',')
            ++text;
    }
    return flags;
}

pappl_loglevel_t parseLogLevel(const char* text)
{
    static const struct {
        const char* name;
        pappl_loglevel_t level;
    } kLevels[] = {{"fatal", PAPPL_LOGLEVEL_FATAL}, {"error", PAPPL_LOGLEVEL_ERROR}, {"warn", PAPPL_LOGLEVEL_WARN},
                   {"info", PAPPL_LOGLEVEL_INFO},   {"debug", PAPPL_LOGLEVEL_DEBUG}};
    for (const auto& level : kLevels)
        if (text != nullptr && std::strcmp(text, level.name) == 0)
            return level.level;
    return PAPPL_LOGLEVEL_WARN;
}

// Documents whose type the client did not say: PDF, PostScript, the test
// page's file and plain text by their first bytes; PAPPL knows the rest.
const char* detectFormat(const unsigned char* header, size_t size, void*)
{
    if (size >= 5 && std::memcmp(header, "%PDF-", 5) == 0)
        return "application/pdf";
    if (size >= 2 && std::memcmp(header, "%!", 2) == 0)
        return "application/postscript";
    if (isTestPageFile(header, size))
        return kTestPageFormat;
    if (looksLikeText(header, size))
        return "text/plain";
    return nullptr;
}

// PAPPL 1.3.1 rotates a log on standard error like a log file once it
// holds 1 MiB, opens the same standard error again, finds it still too
// long and waits for its own log lock for ever: `server 2>>FILE` stops
// every job and request once FILE has grown to 1 MiB (at once if it already
// had). A standard error that is a file is therefore given to PAPPL by its
// path, which it rotates properly (FILE.O); anything else stays "-" and is
// never rotated.
const char* logFileForStandardError(char* path, size_t size)
{
    struct stat byDescriptor, byPath;
    if (fstat(2, &byDescriptor) != 0 || !S_ISREG(byDescriptor.st_mode))
        return "-";
    const ssize_t length = readlink("/proc/self/fd/2", path, size - 1);
    if (length <= 0)
        return "-";
    path[length] = '\0';
    if (path[0] != '/' || stat(path, &byPath) != 0 || byPath.st_ino != byDescriptor.st_ino ||
        byPath.st_dev != byDescriptor.st_dev)
        return "-";
    return path;
}

} // namespace

pappl_system_t* createSystem(int optionCount, cups_option_t* options, void* data)
{
    auto* ghostscript = static_cast<GhostscriptSettings*>(data);
    // How long Ghostscript may work on a document without producing a page
    // line, in seconds (this application's own server option).
    if (const char* limit = cupsGetOption("ghostscript-idle-limit", optionCount, options))
        if (std::atoi(limit) > 0)
            ghostscript->idleLimit = std::atoi(limit);
    const char* port = cupsGetOption("server-port", optionCount, options);
    const char* logFile = cupsGetOption("log-file", optionCount, options);
    // raw-socket is served by this application's own listener (raw_port.h).
    const pappl_soptions_t serverOptions = parseServerOptions(cupsGetOption("server-options", optionCount, options));
    char stderrPath[PATH_MAX];
    if (logFile == nullptr || std::strcmp(logFile, "-") == 0)
        logFile = logFileForStandardError(stderrPath, sizeof stderrPath);
    // A spool folder that outlives the process (PAPPL's own is a new
    // temporary one each start), so waiting and interrupted jobs survive.
    static std::string spool;
    spool = cupsGetOption("spool-directory", optionCount, options) ? cupsGetOption("spool-directory", optionCount, options)
                                                                   : defaultSpoolFolder(kAppName);
    pappl_system_t* system = papplSystemCreate(
        serverOptions & ~PAPPL_SOPTIONS_RAW_SOCKET, kAppName,
        port != nullptr ? std::atoi(port) : 0, "_print,_universal",
        spool.empty() ? nullptr : spool.c_str(), logFile,
        parseLogLevel(cupsGetOption("log-level", optionCount, options)),
        cupsGetOption("auth-service", optionCount, options), false);
    if (system == nullptr)
        return nullptr;
    if (std::strcmp(logFile, "-") == 0)
        papplSystemSetMaxLogSize(system, 0);
    papplSystemAddListeners(system, cupsGetOption("listen-hostname", optionCount, options));
    if (const char* hostname = cupsGetOption("server-hostname", optionCount, options))
        papplSystemSetHostName(system, hostname);
    if (const char* group = cupsGetOption("admin-group", optionCount, options))
        papplSystemSetAdminGroup(system, group);

    static pappl_pr_driver_t drivers[16];
    const int driverCount = listDrivers(drivers, 16);
    papplSystemSetPrinterDrivers(system, driverCount, drivers, autoAddDriver, nullptr, setUpDriver, nullptr);
    addWebStrings(system);
    papplSystemSetFooterHTML(system, "Serial-impact printers: 9-pin and 24-pin classes.");
    pappl_version_t version{};
    std::strncpy(version.name, kAppName, sizeof version.name - 1);
    std::strncpy(version.sversion, kAppVersion, sizeof version.sversion - 1);
    version.version[0] = 1;
    papplSystemSetVersions(system, 1, &version);

    papplSystemAddMIMEFilter(system, "application/pdf", "image/pwg-raster", printWithGhostscript, ghostscript);
    papplSystemAddMIMEFilter(system, "application/postscript", "image/pwg-raster", printWithGhostscript,
                             ghostscript);
    papplSystemAddMIMEFilter(system, "text/plain", "image/pwg-raster", printTextDocument, nullptr);
    papplSystemAddMIMEFilter(system, kSpooledRasterFormat, "image/pwg-raster", printRasterDocument, nullptr);
    papplSystemAddMIMEFilter(system, kSpooledImageFormat, "image/pwg-raster", printImageDocument, nullptr);
    papplSystemAddMIMEFilter(system, kTestPageFormat, "image/pwg-raster", printTestPage, nullptr);
    papplSystemSetMIMECallback(system, detectFormat, nullptr);
    if (gRecoverJobs)
        loadStateWithRecovery(system, kAppName, spool.empty() ? nullptr : spool.c_str());
    // After the state is loaded: the jobs it brings back are not new.
    watchJobs(system);
    trimJobHistories(system);
    watchPortJobs(system);
    if (serverOptions & PAPPL_SOPTIONS_RAW_SOCKET)
        startRawPort(system, optionCount, options);
    return system;
}

void enableJobRecovery()
{
    gRecoverJobs = true;
}
