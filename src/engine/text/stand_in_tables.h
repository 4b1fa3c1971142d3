#pragma once
// Unicode facts the stand-ins are built from.
#include <cstddef>
#include <cstdint>

namespace impact {

struct AccentedLetter {
    uint16_t letter; // the letter with its accent
    uint16_t plain;  // the same letter without that accent
    uint16_t accent; // the combining accent (U+0300-U+036F)
};

// Sorted by letter.
extern const AccentedLetter kAccentedLetters[];
extern const size_t kAccentedLetterCount;

} // namespace impact
