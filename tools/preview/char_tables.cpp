#include "impact_decode.h"

#include "char_tables_data.h"

CodeTable codeTableFor(uint32_t d2, uint32_t d3)
{
    if (d3 != 0)
        return CodeTable::Unknown;
    switch (d2) {
    case 0:
        return CodeTable::Italic;
    case 1:
        return CodeTable::PC437;
    case 3:
        return CodeTable::PC850;
    case 10:
        return CodeTable::PC852;
    case 13:
        return CodeTable::PC858;
    default:
        return CodeTable::Unknown;
    }
}

const char* codeTableName(CodeTable table)
{
    switch (table) {
    case CodeTable::Italic:
        return "italic";
    case CodeTable::PC437:
        return "PC437";
    case CodeTable::PC850:
        return "PC850";
    case CodeTable::PC852:
        return "PC852";
    case CodeTable::PC858:
        return "PC858";
    case CodeTable::Unknown:
        break;
    }
    return "unknown table";
}

uint32_t charCodepoint(CodeTable table, uint32_t international, uint8_t byte)
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
    case CodeTable::Italic:
        return byte >= 0xA0 && byte < 0xFF ? byte - 0x80u : 0xFFFDu; // italic ASCII: drawn upright
    case CodeTable::PC437:
        return kPC437Upper[byte - 0x80];
    case CodeTable::PC850:
        return kPC850Upper[byte - 0x80];
    case CodeTable::PC852:
        return kPC852Upper[byte - 0x80];
    case CodeTable::PC858:
        return kPC858Upper[byte - 0x80];
    case CodeTable::Unknown:
        break;
    }
    return 0xFFFD;
}
