#include "printer_app/device_list.h"

#include <cstdio>
#include <cstdlib>

#include <signal.h>

#include <pappl/pappl.h>

#include "printer_app/device_match.h"

namespace {

bool printDevice(const char* info, const char* uri, const char* deviceId, void* data)
{
    ++*static_cast<int*>(data);
    const char* driver = driverForDeviceId(deviceId);
    std::printf("%s\n    %s\n    %s\n    driver: %s\n", uri, info, deviceId != nullptr ? deviceId : "",
                driver != nullptr ? driver : "none found (add it by hand with -m impact9 or -m impact24)");
    return false; // go on listing
}

void printError(const char* message, void*)
{
    std::fprintf(stderr, "impact-printer-app: %s\n", message);
}

} // namespace

int dnssdAvailable()
{
    FILE* file = std::fopen("/run/avahi-daemon/pid", "r");
    if (file == nullptr)
        return 0;
    long pid = 0;
    const int read = std::fscanf(file, "%ld", &pid);
    std::fclose(file);
    return read == 1 && pid > 0 && kill(static_cast<pid_t>(pid), 0) == 0 ? 1 : 0;
}

int showDevices()
{
    pappl_devtype_t types = PAPPL_DEVTYPE_LOCAL;
    if (dnssdAvailable())
        types |= PAPPL_DEVTYPE_DNS_SD;
    int count = 0;
    papplDeviceList(types, printDevice, &count, printError, nullptr);
    if (count == 0)
        std::puts("No devices found.");
    return 0;
}
