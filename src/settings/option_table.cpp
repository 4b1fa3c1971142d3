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
    for (ppd_option_t* option = ppdFirstOption(ppd); option != nullptr; option = ppdNextOption(ppd)) {
        OptionEntry* entry = findEntry(option->keyword);
        if (entry == nullptr)
            continue;
        ppd_choice_t* marked = ppdFindMarkedChoice(ppd, option->keyword);
        copyChoice(entry, marked != nullptr ? marked->choice : option->defchoice);
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
