#pragma once
// The printer's text commands, from the ESC-based dot-matrix command set
// that both printer classes understand: print quality, pitch, line spacing,
// character table, margins, and the paper movements of a text page.
#include <cstdint>

#include "engine/output/output_channel.h"
#include "engine/text/text_settings.h"

namespace impact {

inline constexpr unsigned char kLineFeed = 0x0A;
inline constexpr unsigned char kFormFeed = 0x0C;
inline constexpr unsigned char kCarriageReturn = 0x0D;

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

// The text set-up of a job, sent once after the job start: quality, pitch,
// line spacing, the US character set with the chosen table, margins.
// 0, or 1 when a write failed.
StatusCode sendTextSetup(const OutputStream* out, const TextSetup* setup);

// Advances the paper by `units` of the paper-feed command (ESC J), in steps
// of at most 255. 0, or 1 when a write failed.
StatusCode sendPaperFeed(const OutputStream* out, uint32_t units);

// Line feeds, `count` of them. 0, or 1 when a write failed.
StatusCode sendLineFeeds(const OutputStream* out, uint32_t count);

} // namespace impact
