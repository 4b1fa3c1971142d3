// impact-printer-app: serial-impact (dot-matrix) printers as IPP
// Everywhere printers, through PAPPL.
#include <cstring>

#include <pappl/pappl.h>

#include "printer_app/device_list.h"
#include "printer_app/device_match.h"
#include "printer_app/driver_setup.h"
#include "printer_app/ghostscript_input.h"
#include "printer_app/port_device.h"
#include "printer_app/system_setup.h"

int main(int argc, char* argv[])
{
    // PAPPL's own `devices` aborts without avahi-daemon and broadcasts SNMP
    // queries on every network the machine is on.
    registerPortSchemes();
    if (!portUriArgumentsValid(argc, argv))
        return 1;
    if (argc == 2 && std::strcmp(argv[1], "devices") == 0)
        return showDevices();
    if (argc >= 2 && std::strcmp(argv[1], "server") == 0)
        enableJobRecovery();
    static GhostscriptSettings ghostscript;
    findGhostscript(&ghostscript);
    pappl_pr_driver_t drivers[16];
    const int count = listDrivers(drivers, 16);
    return papplMainloop(argc, argv, kAppVersion, nullptr, count, drivers, autoAddDriver, setUpDriver, nullptr,
                         nullptr, createSystem, nullptr, &ghostscript);
}
