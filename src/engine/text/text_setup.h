#pragma once
// The commands that set a text job's characters up, sent once after the job
// start: quality, pitch, line spacing, the character table and the margins;
// and the top offset of each form.
#include <cstdint>

#include "engine/output/output_channel.h"
#include "engine/text/text_settings.h"

namespace impact {

// Most columns a line may have: the margin commands take one byte.
inline constexpr uint32_t kMaxTextColumns = 255;

struct TextSetup {
    TextQuality quality;
    TextPitch pitch;
    LineSpacing spacing;
    CharTable table;
    uint8_t leftColumn;  // left margin, in columns of the pitch
    uint8_t rightColumn; // right margin: the column after the last one printed
};

// Quality, pitch, line spacing, the US character set with the chosen
// table in slot 1, margins. False when a write failed.
bool sendTextSetup(const OutputStream* out, const TextSetup* setup);

// Advances the paper by `steps` of the paper-feed command, at most 255 a
// command. False when a write failed.
bool sendPaperFeed(const OutputStream* out, uint32_t steps);

} // namespace impact
