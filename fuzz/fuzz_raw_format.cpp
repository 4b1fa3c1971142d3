// Fuzz target: the raw port's choice of format for a stream's first block.
// Besides crashes it checks the rule's promises: text holds no control
// byte other than tab, LF, FF and CR; PDF and PostScript start with their
// signatures; bytes past the first block change nothing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "printer_app/raw_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so that a read past it is caught.
    std::vector<uint8_t> block(data, data + size);
    const RawStreamKind kind = classifyRawStream(block.data(), block.size());
    if (size > kRawFirstBlock && classifyRawStream(block.data(), kRawFirstBlock) != kind)
        std::abort();
    const size_t looked = size < kRawFirstBlock ? size : kRawFirstBlock;
    switch (kind) {
    case RawStreamKind::Text:
        for (size_t i = 0; i < looked; ++i)
            if ((block[i] < 0x20 && std::strchr("\t\n\f\r", block[i]) == nullptr) || block[i] == 0x7F)
                std::abort();
        break;
    case RawStreamKind::Pdf:
        if (size < 5 || std::memcmp(data, "%PDF-", 5) != 0)
            std::abort();
        break;
    case RawStreamKind::PostScript:
        if (size < 2 || std::memcmp(data, "%!", 2) != 0)
            std::abort();
        break;
    case RawStreamKind::PrinterCommands:
        break;
    default:
        std::abort();
    }
    return 0;
}
