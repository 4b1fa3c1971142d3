#include <algorithm>
#include <vector>

#include "impact_decode.h"

void appendUtf8(uint32_t cp, std::string* out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

// a / b rounded to the nearest whole number, halves up (b > 0).
int64_t roundedRatio(int64_t a, int64_t b)
{
    const int64_t q = (2 * a + b) / (2 * b);
    return 2 * a + b < 0 ? q - ((2 * a + b) % (2 * b) != 0) : q;
}

} // namespace

std::string pageText(const Page& page)
{
    std::vector<const TextChar*> chars;
    for (const TextChar& c : page.chars)
        chars.push_back(&c);
    std::stable_sort(chars.begin(), chars.end(), [](const TextChar* a, const TextChar* b) { return a->y < b->y; });
    std::string text;
    int64_t lineY = 0;
    bool first = true;
    for (size_t i = 0; i < chars.size();) {
        const int64_t y = chars[i]->y;
        size_t end = i;
        while (end < chars.size() && chars[end]->y == y)
            ++end;
        // Blank lines above: the first line counts from the top of the page.
        const int64_t lines = roundedRatio(y - lineY, std::max<int64_t>(1, chars[i]->lineSpacing));
        text.append(static_cast<size_t>(std::max<int64_t>(0, first ? lines : lines - 1)), '\n');
        std::vector<uint32_t> row;
        for (size_t k = i; k < end; ++k) {
            const int64_t col = roundedRatio(chars[k]->x - chars[k]->leftMargin, chars[k]->width);
            if (col < 0)
                continue;
            if (row.size() <= static_cast<size_t>(col))
                row.resize(static_cast<size_t>(col) + 1, ' ');
            row[static_cast<size_t>(col)] = chars[k]->codepoint; // a later character over an earlier one
        }
        for (uint32_t cp : row)
            appendUtf8(cp, &text);
        text.push_back('\n');
        lineY = y;
        first = false;
        i = end;
    }
    return text;
}
