#include "printer_app/port_uri.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The speeds a Linux serial port can be set to.
constexpr int kBauds[] = {300,   600,   1200,   2400,   4800,   9600,    19200,
                          38400, 57600, 115200, 230400, 460800, 921600};

constexpr const char* kParities[] = {"none", "even", "odd"};
constexpr const char* kFlows[] = {"none", "xonxoff", "rtscts", "dtrdsr"};

__attribute__((format(printf, 2, 3))) PortUri failure(PortUri result, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(result.error, sizeof result.error, format, arguments);
    va_end(arguments);
    result.ok = false;
    return result;
}

// The index of value among names, or -1.
template <size_t N>
int indexOf(const char* const (&names)[N], const char* value)
{
    for (size_t i = 0; i < N; ++i)
        if (std::strcmp(names[i], value) == 0)
            return static_cast<int>(i);
    return -1;
}

// A decimal number of at most 7 digits, or -1.
int number(const char* text)
{
    const size_t length = std::strlen(text);
    if (length == 0 || length > 7 || std::strspn(text, "0123456789") != length)
        return -1;
    return std::atoi(text);
}

bool knownBaud(int baud)
{
    for (int b : kBauds)
        if (b == baud)
            return true;
    return false;
}

} // namespace

bool isPortUri(const char* uri)
{
    return uri != nullptr && (std::strncmp(uri, "serial:", 7) == 0 || std::strncmp(uri, "parallel:", 9) == 0);
}

PortUri parsePortUri(const char* uri)
{
    PortUri result;
    if (!isPortUri(uri))
        return failure(result, "'%s' is not a serial: or parallel: URI", uri != nullptr ? uri : "");
    result.kind = uri[0] == 's' ? PortKind::Serial : PortKind::Parallel;
    const char* rest = std::strchr(uri, ':') + 1;
    if (std::strncmp(rest, "///", 3) == 0)
        rest += 2;
    const char* query = std::strchr(rest, '?');
    const size_t pathLength = query != nullptr ? static_cast<size_t>(query - rest) : std::strlen(rest);
    if (pathLength == 0 || rest[0] != '/' || rest[1] == '/')
        return failure(result, "the port's path is missing or not absolute (serial:/dev/ttyS0)");
    if (pathLength >= sizeof result.settings.path)
        return failure(result, "the port's path is too long");
    std::memcpy(result.settings.path, rest, pathLength);
    result.settings.path[pathLength] = '\0';
    if (std::strpbrk(result.settings.path, "#%&= ") != nullptr)
        return failure(result, "the port's path '%s' has characters a device name does not", result.settings.path);
    if (query == nullptr) {
        result.ok = true;
        return result;
    }
    if (result.kind == PortKind::Parallel)
        return failure(result, "a parallel port takes no settings ('%s')", query + 1);

    unsigned seen = 0;
    char setting[128];
    for (const char* p = query + 1;;) {
        const char* end = std::strchr(p, '&');
        const size_t length = end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
        if (length >= sizeof setting)
            return failure(result, "the setting '%.60s...' is too long", p);
        std::memcpy(setting, p, length);
        setting[length] = '\0';
        char* value = std::strchr(setting, '=');
        if (value == nullptr || value == setting)
            return failure(result, "'%s' is not NAME=VALUE (baud, bits, parity, stop, flow)", setting);
        *value++ = '\0';
        static constexpr const char* kNames[] = {"baud", "bits", "parity", "stop", "flow"};
        const int key = indexOf(kNames, setting);
        if (key < 0)
            return failure(result, "unknown setting '%s' (baud, bits, parity, stop, flow)", setting);
        if (seen & (1u << key))
            return failure(result, "the setting '%s' is given twice", setting);
        seen |= 1u << key;
        const int n = number(value);
        SerialSettings& s = result.settings;
        switch (key) {
        case 0:
            if (!knownBaud(n))
                return failure(result, "baud=%s is not a serial port speed (300 to 921600, e.g. 9600, 19200)", value);
            s.baud = n;
            break;
        case 1:
            if (n < 5 || n > 8)
                return failure(result, "bits=%s: data bits are 5, 6, 7 or 8", value);
            s.dataBits = n;
            break;
        case 2:
            if (indexOf(kParities, value) < 0)
                return failure(result, "parity=%s: parity is none, even or odd", value);
            s.parity = static_cast<Parity>(indexOf(kParities, value));
            break;
        case 3:
            if (n != 1 && n != 2)
                return failure(result, "stop=%s: stop bits are 1 or 2", value);
            s.stopBits = n;
            break;
        default:
            if (indexOf(kFlows, value) < 0)
                return failure(result, "flow=%s: flow control is none, xonxoff, rtscts or dtrdsr", value);
            s.flow = static_cast<FlowControl>(indexOf(kFlows, value));
            break;
        }
        if (end == nullptr)
            break;
        p = end + 1;
    }
    result.ok = true;
    return result;
}

void serialUriFor(const char* path, char* buffer, size_t size)
{
    std::snprintf(buffer, size, "serial:%s?baud=9600&bits=8&parity=none&stop=1&flow=xonxoff", path);
}
