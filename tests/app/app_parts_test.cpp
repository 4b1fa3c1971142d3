// Parts of the printer application its end-to-end test cannot single out:
// which plugged-in printers it adds by itself (told by their IEEE 1284
// device IDs), the options it offers IPP clients, where it finds
// Ghostscript, and the printable part of a whole-sheet raster line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "printer_app/device_match.h"
#include "printer_app/ghostscript_input.h"
#include "printer_app/page_geometry.h"
#include "printer_app/vendor_options.h"

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

TEST(VendorOptions, OfferedWithTheirValuesAndTheFirstAsDefault)
{
    const struct { const char* name; const char* values; } offered[] = {
        {"impact-speed", "printer-setting high normal"},
        {"impact-print-direction", "printer-setting unidirectional bidirectional"},
        {"impact-top-bottom-margins", "printer-setting page-size"},
        {"impact-packet-mode-exit", "on off"},
        {"impact-roll-paper-saving", "off on"},
        {"impact-tear-off", "off on"},
    };
    auto text = [](ipp_attribute_t* attr, int i) {
        const char* value = ippGetString(attr, i, nullptr);
        return std::string(value != nullptr ? value : "(none)");
    };
    pappl_pr_driver_data_t data{};
    ipp_t* attrs = ippNew();
    describeVendorOptions(&data, attrs);
    ASSERT_EQ(data.num_vendor, static_cast<int>(std::size(offered)));
    for (int i = 0; i < data.num_vendor; ++i) {
        EXPECT_STREQ(data.vendor[i], offered[i].name);
        const std::string name = offered[i].name;
        ipp_attribute_t* supported = ippFindAttribute(attrs, (name + "-supported").c_str(), IPP_TAG_KEYWORD);
        std::string values;
        for (int v = 0; v < ippGetCount(supported); ++v)
            values += (v ? " " : "") + text(supported, v);
        EXPECT_EQ(values, offered[i].values);
        ipp_attribute_t* fallback = ippFindAttribute(attrs, (name + "-default").c_str(), IPP_TAG_KEYWORD);
        EXPECT_EQ(values.rfind(text(fallback, 0), 0), 0u) << name;
    }
    ippDelete(attrs);
}

TEST(Ghostscript, FoundOnThePathOrNotAtAll)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("impact-gs-" + std::to_string(getpid()));
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "empty");
    std::ofstream(dir / "bin" / "gs") << "#!/bin/sh\n";
    fs::permissions(dir / "bin" / "gs", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    GhostscriptSettings found;
    setenv("PATH", ((dir / "empty").string() + "::" + (dir / "bin").string()).c_str(), 1);
    EXPECT_EQ(findGhostscript(&found), 0);
    EXPECT_EQ(std::string(found.program), (dir / "bin" / "gs").string());
    setenv("PATH", (dir / "empty").c_str(), 1);
    EXPECT_EQ(findGhostscript(&found), 2);
    EXPECT_STREQ(found.program, ""); // the job then says Ghostscript is not installed
    setenv("PATH", path.c_str(), 1);
    fs::remove_all(dir);
}

TEST(SheetCrop, ThePrintableDotsOfASheetLine)
{
    const struct { uint32_t skipDots, dots, sheetBytes; std::vector<unsigned char> sheet, printable; } cases[] = {
        {0, 16, 3, {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF}}, // a whole last byte is kept whole
        {0, 12, 3, {0xFF, 0xFF, 0xFF}, {0xFF, 0xF0}}, // dots past the width are cleared
        {3, 8, 2, {0x1F, 0xE0}, {0xFF}},              // from a dot within a byte
        {11, 8, 2, {0xFF, 0xFF}, {0xF8}},             // past the sheet's end: blank
    };
    for (const auto& c : cases) {
        const SheetCrop crop = {0, c.skipDots, c.sheetBytes, 1, c.dots, static_cast<uint32_t>(c.printable.size())};
        std::vector<unsigned char> out(c.printable.size(), 0xAA);
        cropSheetLine(&crop, c.sheet.data(), out.data());
        EXPECT_EQ(out, c.printable) << "from dot " << c.skipDots << ", " << c.dots << " dots";
    }
}

} // namespace
