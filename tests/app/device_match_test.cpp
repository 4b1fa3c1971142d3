// Which plugged-in printers the application adds by itself, and with which
// driver, told by their IEEE 1284 device IDs.
#include <gtest/gtest.h>

#include <string>

#include "printer_app/device_match.h"

namespace {

struct Case {
    const char* deviceId;
    const char* driver; // null: not added
};

const Case kCases[] = {
    // The pin count in the command set.
    {"MFG:Acme;CMD:ESCP9,IBMPRO;MDL:Model 100;CLS:PRINTER;", "impact9"},
    {"MANUFACTURER:Acme;COMMAND SET:ESC/P 24;MODEL:Model 200;", "impact24"},
    {"MFG:Acme;CMD:ESC/P2;MDL:Wide 300;", "impact24"},
    {"MFG:Acme;CMD:EPSON FX;MDL:Office 9;", "impact9"},
    // The language without its pins: the model or description tells.
    {"MFG:Acme;CMD:ESCP;MDL:Ledger 9-Pin;", "impact9"},
    {"MFG:Acme;CMD:ESCP;MDL:Plain;DES:Acme 24 pin dot matrix;", "impact24"},
    {"MFG:Acme;CMD:ESC/P;MDL:LQ-1000;", "impact24"},
    {"mfg:Acme;cmd:escp;mdl:Plain;", "impact24"},
    // Other languages, including those that share the name.
    {"MFG:Acme;CMD:PCL,PJL;MDL:Laser 5;", nullptr},
    {"MFG:Acme;CMD:ESCPL2,BDC,D4;MDL:Photo 7;", nullptr},
    {"MFG:Acme;CMD:ESCPAGE,PJL;MDL:Page 2;", nullptr},
    {"MFG:Acme;CMD:ESCPR1;MDL:Ink 3;", nullptr},
    {"MFG:Acme;MDL:LQ Something;", nullptr},
    {"", nullptr},
};

TEST(DeviceMatch, DriverForDeviceId)
{
    for (const Case& c : kCases) {
        const char* driver = driverForDeviceId(c.deviceId);
        EXPECT_EQ(std::string(driver != nullptr ? driver : "(none)"), std::string(c.driver != nullptr ? c.driver : "(none)"))
            << c.deviceId;
    }
}

} // namespace
