#include "printer_app/raw_format.h"

#include <cstring>

namespace {

bool startsWith(const unsigned char* block, size_t size, const char* magic)
{
    const size_t length = std::strlen(magic);
    return size >= length && std::memcmp(block, magic, length) == 0;
}

// Bytes that text may hold: the printable ones, tab, LF, FF, CR.
bool textControl(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// The length of the UTF-8 sequence at p (1 to 4), 0 when it is not one;
// a sequence cut by the block's end is counted as whole.
size_t utf8Length(const unsigned char* p, size_t left)
{
    const unsigned char c = p[0];
    size_t length;
    unsigned min;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    unsigned code = c & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if (i >= left)
            return left; // cut at the block's end
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= min && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

RawStreamKind classifyRawStream(const unsigned char* block, size_t size)
{
    if (size > kRawFirstBlock)
        size = kRawFirstBlock;
    if (startsWith(block, size, "%PDF-"))
        return RawStreamKind::Pdf;
    if (startsWith(block, size, "%!"))
        return RawStreamKind::PostScript;
    if (size == 0)
        return RawStreamKind::PrinterCommands;
    for (size_t i = 0; i < size;) {
        const unsigned char c = block[i];
        if (c < 0x80) {
            if ((c < 0x20 && !textControl(c)) || c == 0x7F)
                return RawStreamKind::PrinterCommands;
            ++i;
            continue;
        }
        const size_t length = utf8Length(block + i, size - i);
        if (length == 0)
            return RawStreamKind::PrinterCommands;
        i += length;
    }
    return RawStreamKind::Text;
}
