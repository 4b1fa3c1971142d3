#include "printer_app/raw_port.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cups/cups.h>

#include "printer_app/raw_format.h"
#include "printer_app/raw_input.h"

namespace {

constexpr const char* kFormatOption = "impact-raw-port-format";
constexpr int kIdleSeconds = 300;

// A connection that has ended, waiting to become a job.
struct Finished {
    int printerId;
    std::string path;
    RawStreamKind kind;
    size_t bytes;
    bool broken;
    std::string why;
    std::string peer;
};

// Shared by the listener thread (sockets and files only) and the system's
// timer (PAPPL calls only). Made once, never freed: the thread outlives the
// system at exit.
struct PrinterEntry {
    std::string name;
};

struct RawPort {
    std::mutex mutex;
    std::map<int, PrinterEntry> printers; // by id: the printers that want a port
    std::vector<std::string> messages;    // for the log, "E ..." or "I ..."
    std::string host;                     // empty: every address
    int basePort = 9100;
    std::string directory;
    std::string serverHost; // where the application's IPP server answers
    int serverPort = 0;
};

struct Connection {
    int fd;
    int printerId;
    int file;
    std::string path;
    std::string peer;
    unsigned char first[kRawFirstBlock];
    size_t bytes = 0;
    time_t lastData;
};

void report(RawPort* port, const std::string& error, char level = 'E')
{
    std::lock_guard<std::mutex> lock(port->mutex);
    port->messages.push_back(level + std::string(" ") + error);
}

std::vector<int> listen(RawPort* port, int printerId)
{
    std::vector<int> sockets;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* addresses = nullptr;
    const std::string service = std::to_string(port->basePort + printerId - 1);
    if (const int status = getaddrinfo(port->host.empty() ? nullptr : port->host.c_str(), service.c_str(), &hints,
                                       &addresses);
        status != 0) {
        report(port, "Raw port " + service + ": " + gai_strerror(status));
        return sockets;
    }
    for (addrinfo* a = addresses; a != nullptr; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        const int on = 1;
        if (fd < 0)
            continue;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (a->ai_family == AF_INET6)
            setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
            report(port, "Raw port " + service + ": " + std::strerror(errno));
            close(fd);
            continue;
        }
        sockets.push_back(fd);
    }
    freeaddrinfo(addresses);
    return sockets;
}

void accept(RawPort* port, int listener, int printerId, std::vector<Connection*>& connections)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int fd = accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    char host[NI_MAXHOST] = "unknown";
    getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, nullptr, 0, NI_NUMERICHOST);
    std::string path = port->directory + "/raw-XXXXXX";
    const int file = mkostemp(path.data(), O_CLOEXEC);
    if (file < 0) {
        report(port, "Raw port: no spool file for a connection from " + std::string(host) + ": " + std::strerror(errno));
        close(fd);
        return;
    }
    connections.push_back(new Connection{fd, printerId, file, path, host, {}, 0, time(nullptr)});
}

// Reads what the connection has; true when it has ended.
bool receive(Connection* c, Finished* done)
{
    unsigned char buffer[65536];
    for (;;) {
        const ssize_t n = read(c->fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            if (time(nullptr) - c->lastData < kIdleSeconds)
                return false;
            done->why = "no data for " + std::to_string(kIdleSeconds / 60) + " minutes";
            done->broken = true;
            return true;
        }
        if (n < 0) {
            done->why = std::strerror(errno);
            done->broken = true;
            return true;
        }
        if (n == 0)
            return true;
        c->lastData = time(nullptr);
        if (c->bytes < kRawFirstBlock)
            std::memcpy(c->first + c->bytes, buffer,
                        std::min(static_cast<size_t>(n), kRawFirstBlock - c->bytes));
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = write(c->file, buffer + written, static_cast<size_t>(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                done->why = std::string("the spool file could not be written: ") + std::strerror(errno);
                done->broken = true;
                return true;
            }
            written += w;
        }
        c->bytes += static_cast<size_t>(n);
    }
}

const char* formatFor(RawStreamKind kind)
{
    switch (kind) {
    case RawStreamKind::Text: return "text/plain";
    case RawStreamKind::Pdf: return "application/pdf";
    case RawStreamKind::PostScript: return "application/postscript";
    default: return kRawFormat;
    }
}

// An IPP request to the application's own server.
ipp_t* request(ipp_op_t operation, const char* uri, const char* jobName)
{
    ipp_t* r = ippNewRequest(operation);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "guest");
    if (jobName != nullptr)
        ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobName);
    return r;
}

// Makes the connection's job through the application's IPP server, as any
// client would: PAPPL's jobs are made on its own threads, and a server that
// has stopped just refuses. A broken stream becomes a job that is created
// and cancelled, with no document.
void submit(RawPort* port, Finished f, PrinterEntry printer)
{
    const std::string bytes = std::to_string(f.bytes);
    char uri[1024];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, port->serverHost.c_str(),
                     port->serverPort, "/ipp/print/%s", printer.name.c_str());
    char scheme[32], user[256], host[256], resource[1024];
    int ignored = 0;
    httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &ignored,
                    resource, sizeof resource);
    http_t* http = httpConnect2(port->serverHost.c_str(), port->serverPort, nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000, nullptr);
    if (http == nullptr) {
        report(port, "Raw port: the application's server did not answer; " + bytes + " bytes from " + f.peer +
                         " not printed.");
        unlink(f.path.c_str());
        return;
    }
    // The printer's setting as it is now (it may have changed since the tick).
    ipp_t* query = request(IPP_OP_GET_PRINTER_ATTRIBUTES, uri, nullptr);
    const std::string setting = std::string(kFormatOption) + "-default";
    ippAddString(query, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, setting.c_str());
    ipp_t* attrs = cupsDoRequest(http, query, resource);
    const char* value = ippGetString(ippFindAttribute(attrs, setting.c_str(), IPP_TAG_ZERO), 0, nullptr);
    const bool passthrough = value != nullptr && std::strcmp(value, "passthrough") == 0;
    ippDelete(attrs);
    const char* format = passthrough ? kRawFormat : formatFor(f.kind);
    const std::string name = "Raw job from " + f.peer + (f.broken ? " (connection broken)" : "");
    ipp_t* response;
    if (!f.broken) {
        ipp_t* r = request(IPP_OP_PRINT_JOB, uri, name.c_str());
        ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format);
        response = cupsDoFileRequest(http, r, resource, f.path.c_str());
    } else {
        response = cupsDoRequest(http, request(IPP_OP_CREATE_JOB, uri, name.c_str()), resource);
    }
    const int job = ippGetInteger(ippFindAttribute(response, "job-id", IPP_TAG_INTEGER), 0);
    ippDelete(response);
    if (job <= 0) {
        report(port, "Raw port: " + bytes + " bytes from " + f.peer + " not printed: " + cupsLastErrorString());
    } else if (!f.broken) {
        report(port, "[Job " + std::to_string(job) + "] Raw port: " + bytes + " bytes from " + f.peer +
                         ", printed as " + format + ".", 'I');
    } else {
        ipp_t* r = request(IPP_OP_CANCEL_JOB, uri, nullptr);
        ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
        ippDelete(cupsDoRequest(http, r, resource));
        report(port, "[Job " + std::to_string(job) + "] Raw port: the connection from " + f.peer + " broke after " +
                         bytes + " bytes (" + f.why + "): cancelled, nothing printed.", 'W');
    }
    httpClose(http);
    unlink(f.path.c_str());
}

void finish(RawPort* port, Connection* c, Finished done)
{
    close(c->fd);
    close(c->file);
    done.printerId = c->printerId;
    done.path = c->path;
    done.kind = classifyRawStream(c->first, std::min(c->bytes, kRawFirstBlock));
    done.bytes = c->bytes;
    done.peer = c->peer;
    PrinterEntry printer;
    {
        std::lock_guard<std::mutex> lock(port->mutex);
        auto it = port->printers.find(c->printerId);
        if (it != port->printers.end())
            printer = it->second;
    }
    if (printer.name.empty() || (done.bytes == 0 && !done.broken)) {
        report(port, "Raw port: a connection from " + done.peer +
                         (printer.name.empty() ? " for a printer that is gone." : " sent nothing: no job."), 'I');
        unlink(done.path.c_str());
        return;
    }
    std::thread(submit, port, std::move(done), std::move(printer)).detach();
}

[[noreturn]] void serve(RawPort* port)
{
    std::map<int, std::vector<int>> listeners; // printer id: its sockets
    std::map<int, time_t> refused;             // printer id: when binding last failed
    std::vector<Connection*> connections;
    for (;;) {
        std::vector<int> wanted;
        {
            std::lock_guard<std::mutex> lock(port->mutex);
            for (const auto& entry : port->printers)
                wanted.push_back(entry.first);
        }
        for (auto it = listeners.begin(); it != listeners.end();) {
            if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
                for (int fd : it->second)
                    close(fd);
                it = listeners.erase(it);
            } else {
                ++it;
            }
        }
        for (int id : wanted)
            if (listeners.count(id) == 0 && time(nullptr) - refused[id] >= 30) {
                std::vector<int> sockets = listen(port, id);
                if (sockets.empty())
                    refused[id] = time(nullptr);
                else
                    listeners[id] = sockets;
            }

        std::vector<pollfd> fds;
        std::vector<int> owners; // printer id of each listener
        for (const auto& [id, sockets] : listeners)
            for (int fd : sockets) {
                fds.push_back({fd, POLLIN, 0});
                owners.push_back(id);
            }
        const size_t listenerCount = fds.size();
        for (const Connection* c : connections)
            fds.push_back({c->fd, POLLIN, 0});
        poll(fds.data(), fds.size(), 250);
        for (size_t i = 0; i < listenerCount; ++i)
            if (fds[i].revents & POLLIN)
                accept(port, fds[i].fd, owners[i], connections);
        // Every connection is read once a second at least, for the idle limit.
        for (size_t i = 0; i < connections.size();) {
            Connection* c = connections[i];
            Finished done{};
            if (receive(c, &done)) {
                finish(port, c, std::move(done));
                delete c;
                connections.erase(connections.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
    }
}

void collectPrinter(pappl_printer_t* printer, void* data)
{
    (*static_cast<std::map<int, PrinterEntry>*>(data))[papplPrinterGetID(printer)] =
        PrinterEntry{papplPrinterGetName(printer)};
}

// Once a second, on the system's thread: which printers want a port, and the listener's messages for the log. (No job is made
// here: in PAPPL 1.3.1 a repeating timer that makes a job is not called
// again.)
bool tick(pappl_system_t* system, void* data)
{
    auto* port = static_cast<RawPort*>(data);
    std::map<int, PrinterEntry> printers;
    papplSystemIteratePrinters(system, collectPrinter, &printers);
    std::vector<std::string> messages;
    {
        std::lock_guard<std::mutex> lock(port->mutex);
        port->printers.swap(printers);
        messages.swap(port->messages);
    }
    for (const std::string& message : messages)
        papplLog(system, message[0] == 'E' ? PAPPL_LOGLEVEL_ERROR : message[0] == 'W' ? PAPPL_LOGLEVEL_WARN
                                                                                      : PAPPL_LOGLEVEL_INFO,
                 "%s", message.c_str() + 2);
    return true;
}

} // namespace

void startRawPort(pappl_system_t* system, int optionCount, cups_option_t* options)
{
    auto* port = new RawPort;
    if (const char* host = cupsGetOption("listen-hostname", optionCount, options); host != nullptr && *host != '*')
        port->host = host;
    if (const char* base = cupsGetOption("raw-socket-port", optionCount, options))
        if (std::atoi(base) > 0 && std::atoi(base) < 65000)
            port->basePort = std::atoi(base);
    const char* spool = cupsGetOption("spool-directory", optionCount, options);
    std::string directory = std::string(spool != nullptr ? spool : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp")) +
                            "/impact-raw-XXXXXX";
    if (mkdtemp(directory.data()) == nullptr) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Raw port: no folder for its spool files (%s): not listening.",
                 std::strerror(errno));
        delete port;
        return;
    }
    port->directory = directory;
    port->serverHost = port->host.empty() || port->host == "::" || port->host == "0.0.0.0" ? "localhost" : port->host;
    port->serverPort = papplSystemGetHostPort(system);
    papplLog(system, PAPPL_LOGLEVEL_INFO, "Raw port: printer N on port %d + N - 1, on %s; jobs go to %s:%d.",
             port->basePort, port->host.empty() ? "every address" : port->host.c_str(), port->serverHost.c_str(),
             port->serverPort);
    std::thread(serve, port).detach();
    papplSystemAddTimerCallback(system, 0, 1, tick, port);
}

void describeRawPortOption(pappl_pr_driver_data_t* data, ipp_t* attrs)
{
    data->vendor[data->num_vendor++] = kFormatOption;
    static const char* const kValues[] = {"auto", "passthrough"};
    char name[128];
    std::snprintf(name, sizeof name, "%s-supported", kFormatOption);
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, name, 2, nullptr, kValues);
    std::snprintf(name, sizeof name, "%s-default", kFormatOption);
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, name, nullptr, kValues[0]);
}
