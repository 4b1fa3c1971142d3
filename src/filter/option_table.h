#pragma once
// The PPD option choices the filter acts on, captured once at job setup
// (tests set them one by one).
#include <cups/ppd.h>

#include <cstddef>

inline constexpr int kOptionTextSize = 41; // 40 characters and a terminator
inline constexpr int kOptionCount = 8;

// The keywords, in table order.
inline constexpr char kOptionKeywords[kOptionCount][kOptionTextSize] = {
    "PageSize", "KXPrintDirection", "KXTopMP", "KXPackMode", "KXSpeed", "InputSlot", "KXSvRP", "KXTearOff",
};

struct OptionEntry {
    char keyword[kOptionTextSize];
    char choice[kOptionTextSize]; // empty: not set
};

struct OptionTable {
    OptionEntry entries[kOptionCount];
};

// Fills in the keywords and empties every choice.
void initOptionTable(OptionTable* table);
// The choices marked in the PPD (or its defaults); false for no table or PPD.
bool captureOptions(OptionTable* table, ppd_file_t* ppd);
// Sets one choice directly, as a capture would; false for an unknown keyword.
bool setOptionChoice(OptionTable* table, const char* keyword, const char* choice);

const char* optionLookup(const OptionTable* table, const char* keyword);
bool optionEquals(const OptionTable* table, const char* keyword, const char* text);
bool optionHasPrefix(const OptionTable* table, const char* keyword, const char* text, int n);
