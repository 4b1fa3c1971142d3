#pragma once
// How long the printer takes to put a decoded stream on paper, from a small
// model of its head and paper feed (docs/preview-tools.md explains it).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "impact_decode.h"

// Pitches the speed tables cover, as cell widths in 1/2160 inch:
// 10, 12, 15, 17.14 (condensed 10) and 20 (condensed 12) characters per inch.
inline constexpr uint32_t kModelPitchWidths[5] = {216, 180, 144, 126, 108};

struct HeadModel {
    double draftCps[5];  // characters per second in draft, at each pitch above
    double letterCps[5]; // in letter quality
    double columnsPerSecond; // bit-image columns a second the pins keep up with
    double topSpeed;         // inches per second: bit images at low density, returns
    uint32_t passes[3];      // head passes for 8-, 24- and 48-dot bit-image columns
    double turnSeconds;      // each head pass: slowing down and starting again at its ends
    double feedStartSeconds; // each paper move
    double feedSpeed;        // inches per second
};

const HeadModel& headModelFor(const PrinterClass& printer);

// Head speed in inches per second for a character or a bit image.
double textSpeed(const HeadModel& model, const TextChar& ch);
double imageSpeed(const HeadModel& model, const BitImage& image);
uint32_t imagePasses(const HeadModel& model, const BitImage& image);

struct PageTime {
    double seconds = 0;     // all of it
    double passSeconds = 0; // the head printing and turning
    double feedSeconds = 0; // the paper moving
    double waitSeconds = 0; // the printer waiting for data (with a baud rate)
    uint32_t passes = 0;
    uint32_t feeds = 0;
    size_t bytes = 0;
};

struct StreamTime {
    std::vector<PageTime> pages; // one per decoded page
    PageTime total;              // the whole stream, the job start and end included
};

// baud: the serial line's speed (10 bits a byte), 0 for a line that keeps
// up with the printer. 0, or 22 for a null output.
int estimateTime(const DecodedStream& stream, uint32_t baud, StreamTime* out);
