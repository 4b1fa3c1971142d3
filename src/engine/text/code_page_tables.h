#pragma once
// The printer's character tables as data. Bytes 0x20-0x7E print ASCII in
// every one of them; these are their upper halves.
#include <cstdint>

namespace impact {

struct CodePageEntry {
    uint16_t codePoint;
    uint8_t byte;
};

// The code point each byte 0x80-0xFF prints, and the same pairs sorted by
// code point.
extern const uint16_t kPc437[128];
extern const CodePageEntry kPc437ByChar[128];
extern const uint16_t kPc850[128];
extern const CodePageEntry kPc850ByChar[128];
extern const uint16_t kPc858[128]; // PC850 with the euro sign at 0xD5
extern const CodePageEntry kPc858ByChar[128];
extern const uint16_t kPc852[128];
extern const CodePageEntry kPc852ByChar[128];

} // namespace impact
