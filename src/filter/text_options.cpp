#include "filter/text_options.h"

#include <cstdio>
#include <cstring>

#include <cups/cups.h>

#include "engine/text/text_option_values.h"

using namespace impact;

namespace {

constexpr char kIgnoredOption[] = "Ignoring %s=%s: not a value this printer takes.";

void reportIgnored(const ReportSink* reports, const char* name, const char* value)
{
    char text[1024];
    std::snprintf(text, sizeof text, kIgnoredOption, name, value);
    sendMessage(reports, ReportLevel::Warning, text);
}

const char* markedChoice(ppd_file_t* ppd, const char* keyword)
{
    ppd_choice_t* choice = ppdFindMarkedChoice(ppd, keyword);
    return choice != nullptr ? choice->choice : nullptr;
}

} // namespace

void readTextSettings(ppd_file_t* ppd, const char* optionsText, bool ninePin, const ReportSink* reports,
                      TextSettings* settings)
{
    *settings = TextSettings{};
    if (const char* quality = markedChoice(ppd, "KXTextQuality"))
        settings->quality = std::strcmp(quality, "Draft") == 0 ? TextQuality::Draft : TextQuality::Letter;
    parseCharTable(markedChoice(ppd, "KXCharTable"), &settings->table);
    parseInputCharset(markedChoice(ppd, "KXTextCharset"), &settings->charset);

    cups_option_t* options = nullptr;
    const int count = cupsParseOptions(optionsText, 0, &options);
    const char* value;
    if ((value = cupsGetOption("cpi", count, options)) && !parsePitch(value, ninePin, &settings->pitch))
        reportIgnored(reports, "cpi", value);
    if ((value = cupsGetOption("lpi", count, options)) && !parseLineSpacing(value, &settings->spacing))
        reportIgnored(reports, "lpi", value);
    if ((value = cupsGetOption("page-left", count, options)) && !parsePoints(value, &settings->leftPoints))
        reportIgnored(reports, "page-left", value);
    if ((value = cupsGetOption("page-top", count, options)) && !parsePoints(value, &settings->topPoints))
        reportIgnored(reports, "page-top", value);
    if ((value = cupsGetOption("wrap", count, options)) && !parseSwitch(value, &settings->wrap))
        reportIgnored(reports, "wrap", value);
    cupsFreeOptions(count, options);
}
