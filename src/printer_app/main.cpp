// impact-printer-app: serial-impact (dot-matrix) printers as IPP
// Everywhere printers, through PAPPL.
#include <pappl/pappl.h>

#include "printer_app/driver_setup.h"
#include "printer_app/ghostscript_input.h"
#include "printer_app/system_setup.h"

int main(int argc, char* argv[])
{
    static GhostscriptSettings ghostscript;
    findGhostscript(&ghostscript);
    pappl_pr_driver_t drivers[16];
    const int count = listDrivers(drivers, 16);
    return papplMainloop(argc, argv, kAppVersion, nullptr, count, drivers, nullptr, setUpDriver, nullptr,
                         nullptr, createSystem, nullptr, &ghostscript);
}
