#include "engine/output/simple_format.h"

#include <cstdint>

namespace impact {

namespace {

// Appends c; false when the text is full.
bool put(char* text, size_t size, size_t* length, char c)
{
    if (*length + 1 >= size)
        return false;
    text[(*length)++] = c;
    return true;
}

bool putDecimal(char* text, size_t size, size_t* length, int value)
{
    // Through 64 bits, so the most negative int has its magnitude too.
    int64_t wide = value;
    if (wide < 0) {
        if (!put(text, size, length, '-'))
            return false;
        wide = -wide;
    }
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + wide % 10);
        wide /= 10;
    } while (wide != 0);
    while (count > 0)
        if (!put(text, size, length, digits[--count]))
            return false;
    return true;
}

} // namespace

int formatSimple(char* text, size_t size, const char* format, va_list args)
{
    if (text == nullptr || size == 0 || format == nullptr)
        return -1;
    size_t length = 0;
    for (const char* f = format; *f != '\0'; ++f) {
        char c = *f;
        if (c == '%') {
            ++f;
            if (*f == 's') {
                const char* s = va_arg(args, const char*);
                if (s == nullptr)
                    return -1;
                for (; *s != '\0'; ++s)
                    if (!put(text, size, &length, *s))
                        return -1;
                continue;
            }
            if (*f == 'd') {
                if (!putDecimal(text, size, &length, va_arg(args, int)))
                    return -1;
                continue;
            }
            if (*f == 'c')
                c = static_cast<char>(va_arg(args, int));
            else if (*f != '%')
                return -1;
        }
        if (!put(text, size, &length, c))
            return -1;
    }
    text[length] = '\0';
    return static_cast<int>(length);
}

} // namespace impact
