#include "settings/option_table.h"

#include <cstring>

OptionTable gOptionTable = {{
    {"PageSize", ""},
    {"KXPrintDirection", ""},
    {"KXTopMP", ""},
    {"KXPackMode", ""},
    {"KXSpeed", ""},
    {"InputSlot", ""},
    {"KXSvRP", ""},
    {"KXTearOff", ""},
}};

namespace {

OptionEntry* findEntry(const char* keyword)
{
    for (auto& entry : gOptionTable.entries)
        if (std::strcmp(entry.keyword, keyword) == 0)
            return &entry;
    return nullptr;
}

void copyChoice(OptionEntry* entry, const char* choice)
{
    std::memset(entry->choice, 0, sizeof entry->choice);
    if (choice != nullptr)
        std::memcpy(entry->choice, choice, strnlen(choice, kOptionTextSize - 1));
}

} // namespace

void clearOptions()
{
    for (auto& entry : gOptionTable.entries)
        std::memset(entry.choice, 0, sizeof entry.choice);
}

StatusCode captureOptions(ppd_file_t* ppd)
{
    if (ppd == nullptr)
        return 22;
    // Find the options first and ask for their choices afterwards: looking a
    // choice up moves the walk's position to the first option whose keyword
    // matches regardless of letter case, so two such options inside the
    // walk would make it go round for ever.
    ppd_option_t* found[kOptionCount] = {};
    for (ppd_option_t* option = ppdFirstOption(ppd); option != nullptr; option = ppdNextOption(ppd)) {
        OptionEntry* entry = findEntry(option->keyword);
        if (entry != nullptr)
            found[entry - gOptionTable.entries] = option; // a later option wins
    }
    for (int i = 0; i < kOptionCount; ++i) {
        if (found[i] == nullptr)
            continue;
        ppd_choice_t* marked = ppdFindMarkedChoice(ppd, found[i]->keyword);
        copyChoice(&gOptionTable.entries[i], marked != nullptr ? marked->choice : found[i]->defchoice);
    }
    return 0;
}

StatusCode setOptionChoice(const char* keyword, const char* choice)
{
    if (keyword == nullptr)
        return 22;
    OptionEntry* entry = findEntry(keyword);
    if (entry == nullptr)
        return 22;
    copyChoice(entry, choice);
    return 0;
}

const char* optionLookup(const char* keyword)
{
    if (keyword == nullptr)
        return nullptr;
    const OptionEntry* entry = findEntry(keyword);
    if (entry == nullptr || entry->choice[0] == '\0')
        return nullptr;
    return entry->choice;
}

int optionEquals(const char* keyword, const char* text)
{
    if (text == nullptr)
        return 0;
    const char* choice = optionLookup(keyword);
    return choice != nullptr && std::strcmp(choice, text) == 0;
}

int optionHasPrefix(const char* keyword, const char* text, int n)
{
    if (text == nullptr || n <= 0)
        return 0;
    const char* choice = optionLookup(keyword);
    return choice != nullptr && std::strncmp(choice, text, static_cast<size_t>(n)) == 0;
}
