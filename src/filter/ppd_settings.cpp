#include "filter/ppd_settings.h"

#include <cstdlib>
#include <cstring>

#include <cups/cups.h>
#include <cups/ppd.h>

using namespace impact;

namespace {

// The value of an attribute that is present with a value, or null.
const char* attributeValue(ppd_file_t* ppd, const char* name)
{
    ppd_attr_t* attr = ppdFindAttr(ppd, name, nullptr);
    if (attr == nullptr || attr->value == nullptr || attr->value[0] == '\0')
        return nullptr;
    return attr->value;
}

StatusCode readPpd(ppd_file_t* ppd, const char* optionsText, const StatusSink* status, JobSettings* settings)
{
    ppdMarkDefaults(ppd);

    cups_option_t* options = nullptr;
    int optionCount = cupsParseOptions(optionsText, 0, &options);
    if (cupsMarkOptions(ppd, optionCount, options) == 1) {
        statusLine(status, kOptionsConflict);
        cupsFreeOptions(optionCount, options);
        return kUnsupported;
    }
    OptionTable table;
    initOptionTable(&table);
    StatusCode result = captureOptions(&table, ppd);
    cupsFreeOptions(optionCount, options);
    if (result != 0)
        return result;

    if (!printerClassForModel(ppd->model_number, &settings->printerClass)) {
        statusLine(status, kPrinterNotSupported);
        return kUnsupported;
    }

    ppd_size_t* size = ppdPageSize(ppd, nullptr);
    if (size == nullptr) {
        const char* name = optionLookup(&table, "PageSize");
        if (name != nullptr)
            size = ppdPageSize(ppd, name);
    }
    if (size == nullptr) {
        statusLine(status, kPageSizeError);
        return kBadData;
    }
    settings->page = PageGeometry{size->width, size->length, size->left, size->bottom, size->right, size->top};
    applyOptionChoices(&table, settings);

    if (const char* value = attributeValue(ppd, "KXSpPseBmp"))
        settings->graphicsFlags = static_cast<uint16_t>(attributeNumber(value));
    if (const char* value = attributeValue(ppd, "KXSpPseFsx"))
        settings->speedCommand = static_cast<uint8_t>(attributeNumber(value)) != 0;
    return 0;
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

StatusCode settingsFromPpd(const char* ppdPath, const char* optionsText, const StatusSink* status,
                           JobSettings* settings)
{
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        statusLine(status, kPpdReadError);
        return kPpdUnreadable;
    }
    const StatusCode result = settingsFromOpenPpd(ppd, optionsText, status, settings);
    ppdClose(ppd);
    return result;
}

StatusCode settingsFromOpenPpd(ppd_file_t* ppd, const char* optionsText, const StatusSink* status,
                               JobSettings* settings)
{
    *settings = JobSettings{};
    return readPpd(ppd, optionsText, status, settings);
}
