#include "printer_app/vendor_options.h"

#include <cstdio>
#include <cstring>

namespace {

using impact::MarginOwner;
using impact::PrintDirection;
using impact::PrintSpeed;

constexpr int value(PrintSpeed speed) { return static_cast<int>(speed); }
constexpr int value(PrintDirection direction) { return static_cast<int>(direction); }
constexpr int value(MarginOwner owner) { return static_cast<int>(owner); }

constexpr VendorOption kOptions[] = {
    {"impact-speed", VendorSetting::Speed, 3,
     {{"printer-setting", value(PrintSpeed::PrinterSetting)}, {"high", value(PrintSpeed::High)},
      {"normal", value(PrintSpeed::Normal)}}},
    {"impact-print-direction", VendorSetting::Direction, 3,
     {{"printer-setting", value(PrintDirection::PrinterSetting)},
      {"unidirectional", value(PrintDirection::Unidirectional)},
      {"bidirectional", value(PrintDirection::Bidirectional)}}},
    {"impact-top-bottom-margins", VendorSetting::Margins, 2,
     {{"printer-setting", value(MarginOwner::Printer)}, {"page-size", value(MarginOwner::Driver)}}},
    {"impact-packet-mode-exit", VendorSetting::PacketModeExit, 2, {{"on", 1}, {"off", 0}}},
    {"impact-roll-paper-saving", VendorSetting::RollPaperSaving, 2, {{"off", 0}, {"on", 1}}},
    {"impact-tear-off", VendorSetting::TearOff, 2, {{"off", 0}, {"on", 1}}},
};

} // namespace

int vendorOptionCount()
{
    return static_cast<int>(sizeof kOptions / sizeof kOptions[0]);
}

const VendorOption* vendorOptionAt(int index)
{
    return index >= 0 && index < vendorOptionCount() ? &kOptions[index] : nullptr;
}

const VendorValue* findVendorValue(const VendorOption* option, const char* keyword)
{
    if (keyword == nullptr)
        return nullptr;
    for (int i = 0; i < option->valueCount; ++i)
        if (std::strcmp(option->values[i].keyword, keyword) == 0)
            return &option->values[i];
    return nullptr;
}

void describeVendorOptions(pappl_pr_driver_data_t* data, ipp_t* attrs)
{
    data->num_vendor = 0;
    for (const VendorOption& option : kOptions) {
        data->vendor[data->num_vendor++] = option.name;
        const char* keywords[kMaxVendorValues];
        for (int i = 0; i < option.valueCount; ++i)
            keywords[i] = option.values[i].keyword;
        char name[128];
        std::snprintf(name, sizeof name, "%s-supported", option.name);
        ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, name, option.valueCount, nullptr, keywords);
        std::snprintf(name, sizeof name, "%s-default", option.name);
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, name, nullptr, option.values[0].keyword);
    }
}

const VendorValue* resolveVendorValue(const VendorOption* option, const pappl_pr_options_t* options,
                                      ipp_t* printerAttrs, const char** badValue)
{
    const char* jobValue = cupsGetOption(option->name, options->num_vendor, options->vendor);
    const VendorValue* value = findVendorValue(option, jobValue);
    if (jobValue != nullptr && value == nullptr) {
        *badValue = jobValue;
        return nullptr;
    }
    if (value == nullptr && printerAttrs != nullptr) {
        char name[128];
        std::snprintf(name, sizeof name, "%s-default", option->name);
        ipp_attribute_t* attr = ippFindAttribute(printerAttrs, name, IPP_TAG_ZERO);
        if (attr != nullptr)
            value = findVendorValue(option, ippGetString(attr, 0, nullptr));
    }
    return value != nullptr ? value : &option->values[0];
}
