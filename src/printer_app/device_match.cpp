#include "printer_app/device_match.h"

#include <cctype>
#include <cstring>

#include <strings.h>

#include <pappl/pappl.h>

namespace {

enum class Pins { None, Either, Nine, TwentyFour };

// A command set name without case, spaces or punctuation ("ESC/P 2" is
// "ESCP2").
void normalise(const char* text, size_t length, char* out, size_t size)
{
    size_t n = 0;
    for (size_t i = 0; i < length && n + 1 < size; ++i)
        if (std::isalnum(static_cast<unsigned char>(text[i])))
            out[n++] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    out[n] = '\0';
}

// The command sets that are this language. The page printer and raster
// inkjet dialects that share its name (ESCPAGE, ESCPR, ESCPL2) are other
// languages and match nothing here.
Pins languageOf(const char* name)
{
    static const struct {
        const char* name;
        Pins pins;
    } kLanguages[] = {
        {"ESCP", Pins::Either},  {"EPSON", Pins::Either},      {"ESCP9", Pins::Nine},
        {"EPSONFX", Pins::Nine}, {"ESCP24", Pins::TwentyFour}, {"ESCP2", Pins::TwentyFour},
        {"EPSONLQ", Pins::TwentyFour},
    };
    for (const auto& language : kLanguages)
        if (std::strcmp(language.name, name) == 0)
            return language.pins;
    return Pins::None;
}

// The most specific pin count the command sets name.
Pins commandSetPins(const char* commandSets)
{
    Pins found = Pins::None;
    while (commandSets != nullptr && *commandSets != '\0') {
        const char* end = std::strchr(commandSets, ',');
        const size_t length = end != nullptr ? static_cast<size_t>(end - commandSets) : std::strlen(commandSets);
        char name[64];
        normalise(commandSets, length, name, sizeof name);
        const Pins pins = languageOf(name);
        if (pins == Pins::Nine || pins == Pins::TwentyFour)
            return pins;
        if (pins == Pins::Either)
            found = pins;
        commandSets += length;
        if (*commandSets == ',')
            ++commandSets;
    }
    return found;
}

// The pin count a model name or description states ("24-pin", "9 pin"),
// or the letter-quality ("LQ") naming that 24-pin printers carry.
Pins namedPins(const char* text)
{
    if (text == nullptr)
        return Pins::Either;
    char name[256];
    normalise(text, std::strlen(text), name, sizeof name);
    if (std::strstr(name, "24PIN") != nullptr || std::strstr(name, "48PIN") != nullptr)
        return Pins::TwentyFour;
    if (std::strstr(name, "9PIN") != nullptr || std::strstr(name, "18PIN") != nullptr)
        return Pins::Nine;
    // A word starting with LQ or DLQ (letter quality) names the 24-pin class.
    for (const char* word = text; *word != '\0'; ++word) {
        const bool start = word == text || !std::isalnum(static_cast<unsigned char>(word[-1]));
        if (start && (strncasecmp(word, "LQ", 2) == 0 || strncasecmp(word, "DLQ", 3) == 0))
            return Pins::TwentyFour;
    }
    return Pins::Either;
}

const char* findKey(int count, cups_option_t* keys, const char* longName, const char* shortName)
{
    const char* value = cupsGetOption(longName, count, keys);
    return value != nullptr ? value : cupsGetOption(shortName, count, keys);
}

} // namespace

const char* driverForDeviceId(const char* deviceId)
{
    if (deviceId == nullptr || *deviceId == '\0')
        return nullptr;
    cups_option_t* keys = nullptr;
    const int count = papplDeviceParseID(deviceId, &keys);
    Pins pins = commandSetPins(findKey(count, keys, "COMMAND SET", "CMD"));
    if (pins == Pins::Either)
        pins = namedPins(findKey(count, keys, "MODEL", "MDL"));
    if (pins == Pins::Either)
        pins = namedPins(findKey(count, keys, "DESCRIPTION", "DES"));
    cupsFreeOptions(count, keys);
    // A printer that names the language but not its pins gets the 24-pin
    // class, whose units (1/180 inch and finer) the language is built on.
    switch (pins) {
    case Pins::None:
        return nullptr;
    case Pins::Nine:
        return "impact9";
    default:
        return "impact24";
    }
}

const char* autoAddDriver(const char*, const char*, const char* deviceId, void*)
{
    return driverForDeviceId(deviceId);
}
