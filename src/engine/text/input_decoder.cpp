#include "engine/text/input_decoder.h"

namespace impact {

namespace {

// Windows-1252 0x80-0x9F; 0 where the charset has no character.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t latin9(unsigned char byte)
{
    switch (byte) {
    case 0xA4: return 0x20AC;
    case 0xA6: return 0x0160;
    case 0xA8: return 0x0161;
    case 0xB4: return 0x017D;
    case 0xB8: return 0x017E;
    case 0xBC: return 0x0152;
    case 0xBD: return 0x0153;
    case 0xBE: return 0x0178;
    default: return byte;
    }
}

uint32_t singleByte(InputCharset charset, unsigned char byte)
{
    if (charset == InputCharset::Latin9)
        return latin9(byte);
    if (charset == InputCharset::Windows1252 && byte >= 0x80 && byte < 0xA0) {
        const uint16_t cp = kWindows1252High[byte - 0x80];
        return cp != 0 ? cp : kReplacementChar;
    }
    return byte;
}

// Starts a UTF-8 sequence at a lead byte: true when one begins, with the
// allowed range of its second byte.
bool startSequence(InputDecoder* d, unsigned char byte)
{
    d->low = 0x80;
    d->high = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
        d->partial = byte & 0x1F;
        d->missing = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        d->partial = byte & 0x0F;
        d->missing = 2;
        if (byte == 0xE0)
            d->low = 0xA0; // shorter forms are overlong
        else if (byte == 0xED)
            d->high = 0x9F; // surrogates
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        d->partial = byte & 0x07;
        d->missing = 3;
        if (byte == 0xF0)
            d->low = 0x90;
        else if (byte == 0xF4)
            d->high = 0x8F; // beyond U+10FFFF
    } else {
        return false;
    }
    return true;
}

} // namespace

void initInputDecoder(InputDecoder* decoder, InputCharset charset)
{
    *decoder = InputDecoder{};
    decoder->charset = charset;
}

size_t decodeInput(InputDecoder* d, const unsigned char* bytes, size_t count, uint32_t* out)
{
    size_t n = 0;
    if (d->charset != InputCharset::Utf8) {
        for (size_t i = 0; i < count; ++i)
            out[n++] = singleByte(d->charset, bytes[i]);
        return n;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char byte = bytes[i];
        if (d->missing != 0) {
            if (byte >= d->low && byte <= d->high) {
                d->partial = (d->partial << 6) | (byte & 0x3F);
                d->low = 0x80;
                d->high = 0xBF;
                if (--d->missing == 0)
                    out[n++] = d->partial;
                continue;
            }
            // The sequence broke off: it counts as one bad character, and
            // this byte starts afresh.
            d->missing = 0;
            out[n++] = kReplacementChar;
        }
        if (byte < 0x80)
            out[n++] = byte;
        else if (!startSequence(d, byte))
            out[n++] = kReplacementChar;
    }
    return n;
}

size_t finishInput(InputDecoder* d, uint32_t* out)
{
    if (d->missing == 0)
        return 0;
    d->missing = 0;
    *out = kReplacementChar;
    return 1;
}

} // namespace impact
