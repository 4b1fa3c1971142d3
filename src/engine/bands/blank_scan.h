#pragma once
// Finding dots in raster bytes: most of a page is blank paper, and every
// blank line is looked at in full.
#include <cstddef>

namespace impact {

// The offset of the first byte that is not zero among the `count` bytes
// from `bytes`; count when every one is zero (or count is 0).
size_t firstNonZeroByte(const unsigned char* bytes, size_t count);

// The same one word at a time, on any processor; firstNonZeroByte uses
// 64-byte vectors where the processor has AVX-512 (F and BW).
size_t firstNonZeroBytePortable(const unsigned char* bytes, size_t count);

} // namespace impact
