#pragma once
// Texts put together without the printf machinery: every printer command
// and every report line is one of a few short formats, written many times
// a page.
#include <cstdarg>
#include <cstddef>

namespace impact {

// The text of a format made of plain characters, %c, %s, %d and %% only,
// into text (at most size - 1 characters, then a NUL), exactly as vsnprintf
// would make it; returns its length. -1 for any other format, or for a text
// that does not fit: vsnprintf then does the work.
int formatSimple(char* text, size_t size, const char* format, va_list args);

} // namespace impact
