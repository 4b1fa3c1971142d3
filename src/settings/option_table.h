#pragma once
// The PPD option choices the filter acts on, captured once at job setup.
#include <cups/ppd.h>

#include "output/output_channel.h"

inline constexpr int kOptionTextSize = 41; // 40 characters and a terminator
inline constexpr int kOptionCount = 8;

struct OptionEntry {
    char keyword[kOptionTextSize];
    char choice[kOptionTextSize]; // empty: not set
};

struct OptionTable {
    OptionEntry entries[kOptionCount];
};

extern OptionTable gOptionTable;

// Empties every choice (the keywords stay).
void clearOptions();
StatusCode captureOptions(ppd_file_t* ppd);
// Sets one choice directly, as a capture would; 22 for an unknown keyword.
StatusCode setOptionChoice(const char* keyword, const char* choice);

const char* optionLookup(const char* keyword);
int optionEquals(const char* keyword, const char* text);
int optionHasPrefix(const char* keyword, const char* text, int n);
