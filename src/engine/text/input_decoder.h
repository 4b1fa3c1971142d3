#pragma once
// The document's bytes as Unicode code points, in the charset the job
// declares. A byte sequence that is not valid in it becomes U+FFFD, one for
// each maximal invalid part, as Unicode recommends; a sequence cut off at the
// end of the document too. Works on pieces of any size.
#include <cstddef>
#include <cstdint>

#include "engine/text/text_settings.h"

namespace impact {

inline constexpr uint32_t kReplacementChar = 0xFFFD;

struct InputDecoder {
    InputCharset charset;
    uint32_t partial;   // bits of the UTF-8 sequence in progress
    uint8_t missing;    // its continuation bytes still to come
    uint8_t low, high;  // the range the next continuation byte must be in
};

void initInputDecoder(InputDecoder* decoder, InputCharset charset);

// Decodes count bytes into out (room for count + 1 code points); returns
// how many code points were written.
size_t decodeInput(InputDecoder* decoder, const unsigned char* bytes, size_t count, uint32_t* out);

// The end of the document: U+FFFD for a sequence left unfinished (written
// to *out, return 1), else 0.
size_t finishInput(InputDecoder* decoder, uint32_t* out);

} // namespace impact
