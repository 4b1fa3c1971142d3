#include "printer_app/text_options.h"

#include <cstdio>
#include <initializer_list>

#include "engine/text/text_option_values.h"

using namespace impact;

namespace {

constexpr int kMaxPoints = 720; // page-left and page-top: up to ten inches

bool ninePin(const DriverSpec* driver)
{
    return driver->printerClass == PrinterClass::NinePin;
}

// The value of the option for this job: the job's, else the printer's
// default (PAPPL 1.3.1 does not pass it on), else null.
const char* optionValue(const char* name, const pappl_pr_options_t* options, ipp_t* printerAttrs, char* buffer,
                        size_t size)
{
    if (const char* value = cupsGetOption(name, options->num_vendor, options->vendor))
        return value;
    char defaultName[64];
    std::snprintf(defaultName, sizeof defaultName, "%s-default", name);
    ipp_attribute_t* attr = printerAttrs != nullptr ? ippFindAttribute(printerAttrs, defaultName, IPP_TAG_ZERO) : nullptr;
    if (attr == nullptr)
        return nullptr;
    ippAttributeString(attr, buffer, size);
    return buffer;
}

} // namespace

void describeTextOptions(const DriverSpec* driver, pappl_pr_driver_data_t* data, ipp_t* attrs)
{
    for (const char* name : {"cpi", "lpi", "page-left", "page-top", "wrap", "impact-character-table",
                             "impact-text-charset"})
        data->vendor[data->num_vendor++] = name;
    int pitches[4], count = 0;
    for (TextPitch pitch : {TextPitch::Cpi10, TextPitch::Cpi12, TextPitch::Cpi15, TextPitch::Cpi17})
        if (printerHasPitch(ninePin(driver), pitch))
            pitches[count++] = pitchCentiCpi(pitch) / 100;
    ippAddIntegers(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "cpi-supported", count, pitches);
    ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "cpi-default", 10);
    const int spacings[] = {6, 8};
    ippAddIntegers(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "lpi-supported", 2, spacings);
    ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "lpi-default", 6);
    for (const char* name : {"page-left", "page-top"}) {
        char attr[64];
        std::snprintf(attr, sizeof attr, "%s-supported", name);
        ippAddRange(attrs, IPP_TAG_PRINTER, attr, 0, kMaxPoints);
        std::snprintf(attr, sizeof attr, "%s-default", name);
        ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, attr, 0);
    }
    ippAddBoolean(attrs, IPP_TAG_PRINTER, "wrap-supported", 1);
    ippAddBoolean(attrs, IPP_TAG_PRINTER, "wrap-default", 1);
    const char* tables[] = {"pc437", "pc850", "pc858", "pc852"};
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "impact-character-table-supported", 4, nullptr, tables);
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "impact-character-table-default", nullptr, tables[0]);
    const char* charsets[] = {"utf-8", "iso-8859-1", "iso-8859-15", "windows-1252"};
    ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "impact-text-charset-supported", 4, nullptr, charsets);
    ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "impact-text-charset-default", nullptr, charsets[0]);
}

bool resolveTextSettings(pappl_job_t* job, const pappl_pr_options_t* options, const DriverSpec* driver,
                         TextSettings* settings)
{
    *settings = TextSettings{};
    settings->quality = options->print_quality == IPP_QUALITY_DRAFT ? TextQuality::Draft : TextQuality::Letter;
    ipp_t* printerAttrs = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
    char buffer[256];
    const char* badName = nullptr;
    const char* value = nullptr;
    auto take = [&](const char* name, auto parse) {
        if (badName != nullptr)
            return;
        value = optionValue(name, options, printerAttrs, buffer, sizeof buffer);
        if (value != nullptr && !parse(value))
            badName = name;
    };
    take("cpi", [&](const char* v) { return parsePitch(v, ninePin(driver), &settings->pitch); });
    take("lpi", [&](const char* v) { return parseLineSpacing(v, &settings->spacing); });
    take("page-left", [&](const char* v) { return parsePoints(v, &settings->leftPoints); });
    take("page-top", [&](const char* v) { return parsePoints(v, &settings->topPoints); });
    take("wrap", [&](const char* v) { return parseSwitch(v, &settings->wrap); });
    take("impact-character-table", [&](const char* v) { return parseCharTable(v, &settings->table); });
    take("impact-text-charset", [&](const char* v) { return parseInputCharset(v, &settings->charset); });
    if (badName != nullptr)
        papplJobSetMessage(job, "Unsupported %s value '%s'.", badName, value);
    ippDelete(printerAttrs);
    return badName == nullptr;
}
