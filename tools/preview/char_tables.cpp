#include "impact_decode.h"

#include "char_tables_data.h"

CharTable charTableFor(uint32_t d2, uint32_t d3)
{
    if (d3 != 0)
        return CharTable::Unknown;
    switch (d2) {
    case 0:
        return CharTable::Italic;
    case 1:
        return CharTable::PC437;
    case 3:
        return CharTable::PC850;
    case 10:
        return CharTable::PC852;
    case 13:
        return CharTable::PC858;
    default:
        return CharTable::Unknown;
    }
}

const char* charTableName(CharTable table)
{
    switch (table) {
    case CharTable::Italic:
        return "italic";
    case CharTable::PC437:
        return "PC437";
    case CharTable::PC850:
        return "PC850";
    case CharTable::PC852:
        return "PC852";
    case CharTable::PC858:
        return "PC858";
    case CharTable::Unknown:
        break;
    }
    return "unknown table";
}

uint32_t charCodepoint(CharTable table, uint32_t international, uint8_t byte)
{
    if (byte < 0x80) {
        // The national sets of ESC R n replace these twelve; only the US one is known here.
        static constexpr char kNational[] = "#$@[\\]^`{|}~";
        for (const char* p = kNational; *p != '\0' && international != 0; ++p)
            if (static_cast<uint8_t>(*p) == byte)
                return 0xFFFD;
        return byte;
    }
    switch (table) {
    case CharTable::Italic:
        return byte >= 0xA0 && byte < 0xFF ? byte - 0x80u : 0xFFFDu; // italic ASCII: drawn upright
    case CharTable::PC437:
        return kPC437Upper[byte - 0x80];
    case CharTable::PC850:
        return kPC850Upper[byte - 0x80];
    case CharTable::PC852:
        return kPC852Upper[byte - 0x80];
    case CharTable::PC858:
        return kPC858Upper[byte - 0x80];
    case CharTable::Unknown:
        break;
    }
    return 0xFFFD;
}
