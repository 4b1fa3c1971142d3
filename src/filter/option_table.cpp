#include "filter/option_table.h"

#include <cstring>

namespace {

int findEntry(const OptionTable* table, const char* keyword)
{
    for (int i = 0; i < kOptionCount; ++i)
        if (std::strcmp(table->entries[i].keyword, keyword) == 0)
            return i;
    return -1;
}

void copyChoice(OptionEntry* entry, const char* choice)
{
    std::memset(entry->choice, 0, sizeof entry->choice);
    if (choice != nullptr)
        std::memcpy(entry->choice, choice, strnlen(choice, kOptionTextSize - 1));
}

} // namespace

void initOptionTable(OptionTable* table)
{
    std::memset(table, 0, sizeof *table);
    for (int i = 0; i < kOptionCount; ++i)
        std::memcpy(table->entries[i].keyword, kOptionKeywords[i], kOptionTextSize);
}

bool captureOptions(OptionTable* table, ppd_file_t* ppd)
{
    if (table == nullptr || ppd == nullptr)
        return false;
    // Find the options first and ask for their choices afterwards: looking a
    // choice up moves the walk's position to the first option whose keyword
    // matches regardless of letter case, so two such options inside the
    // walk would make it go round for ever.
    ppd_option_t* found[kOptionCount] = {};
    for (ppd_option_t* option = ppdFirstOption(ppd); option != nullptr; option = ppdNextOption(ppd)) {
        const int i = findEntry(table, option->keyword);
        if (i >= 0)
            found[i] = option; // a later option wins
    }
    for (int i = 0; i < kOptionCount; ++i) {
        if (found[i] == nullptr)
            continue;
        ppd_choice_t* marked = ppdFindMarkedChoice(ppd, found[i]->keyword);
        copyChoice(&table->entries[i], marked != nullptr ? marked->choice : found[i]->defchoice);
    }
    return true;
}

bool setOptionChoice(OptionTable* table, const char* keyword, const char* choice)
{
    if (table == nullptr || keyword == nullptr)
        return false;
    const int i = findEntry(table, keyword);
    if (i < 0)
        return false;
    copyChoice(&table->entries[i], choice);
    return true;
}

const char* optionLookup(const OptionTable* table, const char* keyword)
{
    if (table == nullptr || keyword == nullptr)
        return nullptr;
    const int i = findEntry(table, keyword);
    if (i < 0 || table->entries[i].choice[0] == '\0')
        return nullptr;
    return table->entries[i].choice;
}

bool optionEquals(const OptionTable* table, const char* keyword, const char* text)
{
    if (text == nullptr)
        return false;
    const char* choice = optionLookup(table, keyword);
    return choice != nullptr && std::strcmp(choice, text) == 0;
}

bool optionHasPrefix(const OptionTable* table, const char* keyword, const char* text, int n)
{
    if (text == nullptr || n <= 0)
        return false;
    const char* choice = optionLookup(table, keyword);
    return choice != nullptr && std::strncmp(choice, text, static_cast<size_t>(n)) == 0;
}
