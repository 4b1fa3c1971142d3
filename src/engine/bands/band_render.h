#pragma once
// One band of raster lines on paper: the feed before it and one bit-image
// command for its printed columns.
#include <cstdint>

#include <cups/raster.h>

#include "engine/output/job_report.h"
#include "engine/output/output_channel.h"
#include "engine/bands/band_transpose.h"
#include "engine/job/job_result.h"
#include "engine/job/job_state.h"

namespace impact {

struct BandContext {
    uint32_t widthDots;
    uint16_t positionDpi;
    uint32_t speed;
    uint16_t flags;
    unsigned char** columnBufferSlot;
    uint32_t* pendingSlot;
    uint32_t rows;
    uint32_t hdpi;
    uint32_t vdpi;
    const OutputStream* out;  // where the band's bytes go
    const ReportSink* reports; // where its failures are reported
};

// The most lines one feed call moves; longer feeds are sent in pieces.
inline constexpr uint32_t kMaxFeedLines = 65535;

// Feeds skipLines lines, then prints the band's first `lines` rows.
JobResult dispatchBand(JobState* state, const cups_page_header2_t* header, uint32_t skipLines, uint16_t lines);
JobResult feedLines(const OutputStream* out, uint32_t vdpi, uint16_t lines, uint16_t feedDpi);
JobResult renderBand(const BandContext* job, uint16_t lines, const unsigned char* band);

} // namespace impact
