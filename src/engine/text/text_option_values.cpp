#include "engine/text/text_option_values.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <strings.h>

namespace impact {

namespace {

bool readNumber(const char* text, double* value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

// Names are kept as character arrays, not pointers: the tables then need no
// relocation and stay read-only data, as everything in the engine is.
constexpr int kNameSize = 13;
using Name = char[kNameSize];

template <int N>
bool oneOf(const char* text, const Name (&names)[N])
{
    for (const Name& name : names)
        if (name[0] != '\0' && strcasecmp(text, name) == 0)
            return true;
    return false;
}

struct NamedTable {
    CharTable table;
    Name names[3];
};

constexpr NamedTable kTables[] = {
    {CharTable::Pc437, {"pc437", "cp437", "437"}},
    {CharTable::Pc850, {"pc850", "cp850", "850"}},
    {CharTable::Pc858, {"pc858", "cp858", "858"}},
    {CharTable::Pc852, {"pc852", "cp852", "852"}},
};

struct NamedCharset {
    InputCharset charset;
    Name names[4];
};

constexpr NamedCharset kCharsets[] = {
    {InputCharset::Utf8, {"utf-8", "utf8", "us-ascii", "ascii"}},
    {InputCharset::Latin1, {"iso-8859-1", "latin1", "iso8859-1"}},
    {InputCharset::Latin9, {"iso-8859-15", "latin9", "iso8859-15"}},
    {InputCharset::Windows1252, {"windows-1252", "cp1252"}},
};

} // namespace

bool parsePitch(const char* text, bool ninePin, TextPitch* pitch)
{
    double cpi;
    if (!readNumber(text, &cpi) || cpi <= 0)
        return false;
    TextPitch best = TextPitch::Cpi10;
    double bestDistance = 1e9;
    for (TextPitch candidate : {TextPitch::Cpi10, TextPitch::Cpi12, TextPitch::Cpi15, TextPitch::Cpi17}) {
        if (!printerHasPitch(ninePin, candidate))
            continue;
        const double distance = std::fabs(cpi - pitchCentiCpi(candidate) / 100.0);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    *pitch = best;
    return true;
}

bool parseLineSpacing(const char* text, LineSpacing* spacing)
{
    double lpi;
    if (!readNumber(text, &lpi) || lpi <= 0)
        return false;
    *spacing = lpi >= 7 ? LineSpacing::Lpi8 : LineSpacing::Lpi6;
    return true;
}

bool parsePoints(const char* text, float* points)
{
    double value;
    if (!readNumber(text, &value) || value < 0 || value > 720)
        return false;
    *points = static_cast<float>(value);
    return true;
}

bool parseSwitch(const char* text, bool* on)
{
    static constexpr Name kOn[] = {"true", "yes", "on", "1"};
    static constexpr Name kOff[] = {"false", "no", "off", "0"};
    if (text == nullptr)
        return false;
    if (oneOf(text, kOn))
        *on = true;
    else if (oneOf(text, kOff))
        *on = false;
    else
        return false;
    return true;
}

bool parseCharTable(const char* text, CharTable* table)
{
    if (text == nullptr)
        return false;
    for (const NamedTable& entry : kTables)
        if (oneOf(text, entry.names)) {
            *table = entry.table;
            return true;
        }
    return false;
}

bool parseInputCharset(const char* text, InputCharset* charset)
{
    if (text == nullptr)
        return false;
    for (const NamedCharset& entry : kCharsets)
        if (oneOf(text, entry.names)) {
            *charset = entry.charset;
            return true;
        }
    return false;
}

const char* charTableName(CharTable table)
{
    for (const NamedTable& entry : kTables)
        if (entry.table == table)
            return entry.names[0];
    return "pc437";
}

const char* inputCharsetName(InputCharset charset)
{
    for (const NamedCharset& entry : kCharsets)
        if (entry.charset == charset)
            return entry.names[0];
    return "utf-8";
}

const char* pitchName(TextPitch pitch)
{
    switch (pitch) {
    case TextPitch::Cpi12:
        return "12";
    case TextPitch::Cpi15:
        return "15";
    case TextPitch::Cpi17:
        return "17";
    case TextPitch::Cpi10:
        break;
    }
    return "10";
}

const char* charTableLabel(CharTable table)
{
    switch (table) {
    case CharTable::Pc850:
        return "PC850";
    case CharTable::Pc858:
        return "PC858";
    case CharTable::Pc852:
        return "PC852";
    case CharTable::Pc437:
        break;
    }
    return "PC437";
}

} // namespace impact
