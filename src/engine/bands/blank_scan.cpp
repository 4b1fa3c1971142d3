#include "engine/bands/blank_scan.h"

#include <cstdint>
#include <cstring>

#include "engine/bands/cpu_features.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define IMPACT_WIDE_SCAN 1
#include <immintrin.h>
#endif

namespace impact {

namespace {

uint64_t loadWord(const unsigned char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

#if defined(IMPACT_WIDE_SCAN)
#define WIDE_TARGET __attribute__((target("avx512f,avx512bw")))

WIDE_TARGET __m512i load64(const unsigned char* bytes)
{
    return _mm512_loadu_si512(bytes);
}

// 256 bytes a round while they are all zero, then the 64-byte piece and
// the byte with the first dot.
WIDE_TARGET size_t firstNonZeroWide(const unsigned char* bytes, size_t count)
{
    size_t at = 0;
    for (; at + 256 <= count; at += 256) {
        const __m512i any = _mm512_or_si512(_mm512_or_si512(load64(bytes + at), load64(bytes + at + 64)),
                                            _mm512_or_si512(load64(bytes + at + 128), load64(bytes + at + 192)));
        if (_mm512_test_epi64_mask(any, any) != 0)
            break;
    }
    for (; at < count; at += 64) {
        const size_t left = count - at;
        const __mmask64 in = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
        const __mmask64 dots = _mm512_test_epi8_mask(_mm512_maskz_loadu_epi8(in, bytes + at),
                                                     _mm512_set1_epi8(-1));
        if (dots != 0)
            return at + static_cast<size_t>(__builtin_ctzll(dots));
    }
    return count;
}
#endif

} // namespace

size_t firstNonZeroBytePortable(const unsigned char* bytes, size_t count)
{
    size_t at = 0;
    for (; at + 32 <= count; at += 32)
        if ((loadWord(bytes + at) | loadWord(bytes + at + 8) | loadWord(bytes + at + 16) |
             loadWord(bytes + at + 24)) != 0)
            break;
    while (at < count && bytes[at] == 0)
        ++at;
    return at;
}

size_t firstNonZeroByte(const unsigned char* bytes, size_t count)
{
#if defined(IMPACT_WIDE_SCAN)
    if (cpuHasAvx512Bw())
        return firstNonZeroWide(bytes, count);
#endif
    return firstNonZeroBytePortable(bytes, count);
}

} // namespace impact
