#include "engine/text/char_encoding.h"

#include "engine/text/code_page_tables.h"
#include "engine/text/stand_in_tables.h"

namespace impact {

namespace {

struct StandIn {
    uint32_t cp;
    char byte;
};

// Characters without an accent to drop that still have an obvious
// one-column stand-in, sorted by code point.
constexpr StandIn kStandIns[] = {
    {0x00A0, ' '},  {0x00A9, 'c'},  {0x00AE, 'r'},  {0x00B4, '\''}, {0x00B7, '.'},  {0x00C6, 'A'},
    {0x00D0, 'D'},  {0x00D7, 'x'},  {0x00D8, 'O'},  {0x00E6, 'a'},  {0x00F0, 'd'},  {0x00F7, '/'},
    {0x00F8, 'o'},  {0x0110, 'D'},  {0x0111, 'd'},  {0x0126, 'H'},  {0x0127, 'h'},  {0x0131, 'i'},
    {0x0141, 'L'},  {0x0142, 'l'},  {0x0152, 'O'},  {0x0153, 'o'},  {0x0166, 'T'},  {0x0167, 't'},
    {0x0192, 'f'},  {0x02BC, '\''}, {0x02C6, '^'},  {0x02DC, '~'},  {0x2010, '-'},  {0x2011, '-'},
    {0x2012, '-'},  {0x2013, '-'},  {0x2014, '-'},  {0x2015, '-'},  {0x2018, '\''}, {0x2019, '\''},
    {0x201A, '\''}, {0x201B, '\''}, {0x201C, '"'},  {0x201D, '"'},  {0x201E, '"'},  {0x201F, '"'},
    {0x2020, '+'},  {0x2022, '*'},  {0x2026, '.'},  {0x2030, '%'},  {0x2032, '\''}, {0x2033, '"'},
    {0x2039, '<'},  {0x203A, '>'},  {0x2044, '/'},  {0x2212, '-'},  {0x2215, '/'},  {0x2217, '*'},
    {0x2264, '<'},  {0x2265, '>'},
};

const CodePageEntry* reverseTable(CharTable table)
{
    switch (table) {
    case CharTable::Pc850:
        return kPc850ByChar;
    case CharTable::Pc858:
        return kPc858ByChar;
    case CharTable::Pc852:
        return kPc852ByChar;
    case CharTable::Pc437:
        break;
    }
    return kPc437ByChar;
}

const AccentedLetter* findAccented(uint32_t cp)
{
    size_t low = 0, high = kAccentedLetterCount;
    while (low < high) {
        const size_t mid = (low + high) / 2;
        if (kAccentedLetters[mid].letter < cp)
            low = mid + 1;
        else
            high = mid;
    }
    return low < kAccentedLetterCount && kAccentedLetters[low].letter == cp ? &kAccentedLetters[low] : nullptr;
}

char standInFor(uint32_t cp)
{
    if ((cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F || cp == 0x3000)
        return ' ';
    if (cp >= 0xFF01 && cp <= 0xFF5E) // full-width ASCII
        return static_cast<char>(cp - 0xFEE0);
    size_t low = 0, high = sizeof kStandIns / sizeof kStandIns[0];
    while (low < high) {
        const size_t mid = (low + high) / 2;
        if (kStandIns[mid].cp < cp)
            low = mid + 1;
        else
            high = mid;
    }
    return low < sizeof kStandIns / sizeof kStandIns[0] && kStandIns[low].cp == cp ? kStandIns[low].byte : 0;
}

} // namespace

uint8_t tableByte(CharTable table, uint32_t cp)
{
    if (cp >= 0x20 && cp < 0x7F)
        return static_cast<uint8_t>(cp);
    if (cp < 0xA0 || cp > 0xFFFF)
        return 0;
    const CodePageEntry* entries = reverseTable(table);
    size_t low = 0, high = 128;
    while (low < high) {
        const size_t mid = (low + high) / 2;
        if (entries[mid].codePoint < cp)
            low = mid + 1;
        else
            high = mid;
    }
    return low < 128 && entries[low].codePoint == cp ? entries[low].byte : 0;
}

uint8_t printableByte(CharTable table, uint32_t cp, bool* replaced)
{
    uint8_t byte = tableByte(table, cp);
    *replaced = byte == 0;
    if (byte != 0)
        return byte;
    // An accented letter: the same letter with fewer accents, down to the
    // plain one, whichever the table has first.
    for (const AccentedLetter* letter = findAccented(cp); letter != nullptr; letter = findAccented(letter->plain)) {
        byte = tableByte(table, letter->plain);
        if (byte != 0)
            return byte;
    }
    const char standIn = standInFor(cp);
    return standIn != 0 ? static_cast<uint8_t>(standIn) : static_cast<uint8_t>('?');
}

uint32_t composeAccent(uint32_t letter, uint32_t accent)
{
    for (size_t i = 0; i < kAccentedLetterCount; ++i)
        if (kAccentedLetters[i].plain == letter && kAccentedLetters[i].accent == accent)
            return kAccentedLetters[i].letter;
    return 0;
}

} // namespace impact
