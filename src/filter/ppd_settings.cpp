#include "filter/ppd_settings.h"

#include <cstdlib>
#include <cstring>

#include <cups/cups.h>
#include <cups/ppd.h>

using namespace impact;

namespace {

constexpr char kPpdReadError[] = "Can not read PPD information.";
constexpr char kOptionsConflict[] = "Options conflicting.";
constexpr char kPrinterNotSupported[] = "The Printer is not supported.";
constexpr char kPageSizeError[] = "PageSize error.";

// The value of an attribute that is present with a value, or null.
const char* attributeValue(ppd_file_t* ppd, const char* name)
{
    ppd_attr_t* attr = ppdFindAttr(ppd, name, nullptr);
    if (attr == nullptr || attr->value == nullptr || attr->value[0] == '\0')
        return nullptr;
    return attr->value;
}

JobResult readPpd(ppd_file_t* ppd, const char* optionsText, const ReportSink* reports, JobSettings* settings)
{
    ppdMarkDefaults(ppd);

    cups_option_t* options = nullptr;
    int optionCount = cupsParseOptions(optionsText, 0, &options);
    if (cupsMarkOptions(ppd, optionCount, options) == 1) {
        sendMessage(reports, ReportLevel::Error, kOptionsConflict);
        cupsFreeOptions(optionCount, options);
        return JobResult::Unsupported;
    }
    OptionTable table;
    initOptionTable(&table);
    const bool captured = captureOptions(&table, ppd);
    cupsFreeOptions(optionCount, options);
    if (!captured)
        return JobResult::Unsupported;

    if (!printerClassForModel(ppd->model_number, &settings->printerClass)) {
        sendMessage(reports, ReportLevel::Error, kPrinterNotSupported);
        return JobResult::Unsupported;
    }

    ppd_size_t* size = ppdPageSize(ppd, nullptr);
    if (size == nullptr) {
        const char* name = optionLookup(&table, "PageSize");
        if (name != nullptr)
            size = ppdPageSize(ppd, name);
    }
    if (size == nullptr) {
        sendMessage(reports, ReportLevel::Error, kPageSizeError);
        return JobResult::BadData;
    }
    settings->page = PageGeometry{size->width, size->length, size->left, size->bottom, size->right, size->top};
    applyOptionChoices(&table, settings);

    if (const char* value = attributeValue(ppd, "KXSpPseBmp"))
        settings->graphicsFlags = static_cast<uint16_t>(attributeNumber(value));
    if (const char* value = attributeValue(ppd, "KXSpPseFsx"))
        settings->speedCommand = static_cast<uint8_t>(attributeNumber(value)) != 0;
    return JobResult::Success;
}

// A choice that is set and is not "Default".
const char* chosen(const OptionTable* options, const char* keyword)
{
    const char* choice = optionLookup(options, keyword);
    return choice != nullptr && std::strcmp(choice, "Default") != 0 ? choice : nullptr;
}

} // namespace

long attributeNumber(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

bool printerClassForModel(int modelNumber, PrinterClass* printerClass)
{
    switch (modelNumber) {
    case 1:
        *printerClass = PrinterClass::TwentyFourPin;
        return true;
    case 0:
        *printerClass = PrinterClass::NinePin;
        return true;
    default:
        return false;
    }
}

void applyOptionChoices(const OptionTable* options, JobSettings* settings)
{
    if (const char* speed = chosen(options, "KXSpeed"))
        settings->speed = std::strstr(speed, "High") != nullptr ? PrintSpeed::High : PrintSpeed::Normal;
    else
        settings->speed = PrintSpeed::PrinterSetting;
    if (const char* direction = chosen(options, "KXPrintDirection"))
        settings->direction = std::strstr(direction, "UniOn") != nullptr ? PrintDirection::Unidirectional
                                                                         : PrintDirection::Bidirectional;
    else
        settings->direction = PrintDirection::PrinterSetting;
    settings->margins = optionEquals(options, "KXTopMP", "Driver") ? MarginOwner::Driver : MarginOwner::Printer;
    settings->packetModeExit = optionEquals(options, "KXPackMode", "Auto");

    const bool saving = optionEquals(options, "KXSvRP", "On");
    settings->pageEnd = optionEquals(options, "InputSlot", "RollPaper") && saving ? PageEnd::RollPaperAdvance
                                                                                 : PageEnd::FormFeed;
    settings->jobEnd = JobEnd::Reset;
    if (optionEquals(options, "KXTearOff", "On")) {
        if (optionHasPrefix(options, "InputSlot", "Tractor", 7))
            settings->jobEnd = JobEnd::TearOff;
        else if (optionHasPrefix(options, "InputSlot", "RollPaper", 9))
            settings->jobEnd = saving ? JobEnd::TearOffRollPaperSaving : JobEnd::TearOff;
    }
}

JobResult settingsFromPpd(const char* ppdPath, const char* optionsText, const ReportSink* reports,
                          JobSettings* settings)
{
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        sendMessage(reports, ReportLevel::Error, kPpdReadError);
        return JobResult::SettingsUnreadable;
    }
    const JobResult result = settingsFromOpenPpd(ppd, optionsText, reports, settings);
    ppdClose(ppd);
    return result;
}

JobResult settingsFromOpenPpd(ppd_file_t* ppd, const char* optionsText, const ReportSink* reports,
                              JobSettings* settings)
{
    *settings = JobSettings{};
    return readPpd(ppd, optionsText, reports, settings);
}
