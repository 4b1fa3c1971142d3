#pragma once
// A plain-text job: the document's characters printed in the printer's own
// fonts, line by line on the job's forms, with the job start and end of the
// graphics path around them.
//
// The job's printer settings (class, page size, paper source, speed, ...)
// are set up on its JobState first (setupJob or configureJob); on any
// failure or cancel the engine ends the page and the job on paper as a
// graphics job does, and the job is over.
#include <cstddef>
#include <cstdint>

#include "engine/job/job_state.h"
#include "engine/text/input_decoder.h"
#include "engine/text/text_setup.h"
#include "engine/text/text_settings.h"

namespace impact {

// What the job did with the document, for its message.
struct TextReport {
    uint32_t pages;
    uint32_t replaced; // characters printed as a stand-in or '?', accents lost
    uint32_t dropped;  // control characters that did not go to the printer
    uint32_t cutLines; // lines cut at the right margin (without wrapping)
};

// The page's shape in the printer's terms.
struct TextGeometry {
    uint32_t columns;      // characters a line takes
    uint32_t linesPerPage; // lines a form takes
    uint8_t leftColumn;    // left margin, in columns
    uint32_t topFeed;      // top offset, in units of the paper-feed command
};

struct TextJob {
    JobState* state;
    TextSettings settings;
    TextGeometry geometry;
    TextReport report;
    InputDecoder decoder;
    uint32_t pendingChar; // the last character, held for a combining accent
    bool hasPending;
    bool begun;           // the document's first character has been seen
    bool afterCr;         // an LF now completes a CR LF line end
    uint32_t line;        // line of the form the text is on
    uint32_t headLine;    // line of the form the print head is on
    uint32_t column;
    uint32_t lineLength;  // columns up to the line's last non-space
    bool lineCut;
    unsigned char lineBytes[kMaxTextColumns + 1]; // the line and its CR
};

// The geometry of a text page on this job's printer and page size.
TextGeometry textGeometry(const JobState* state, const TextSettings* settings);

// Prepares the text job on a job that is set up; nothing is sent yet.
void startTextJob(TextJob* job, JobState* state, const TextSettings* settings);
// The next piece of the document. The job's result (Success while it goes
// on).
JobResult writeText(TextJob* job, const unsigned char* bytes, size_t count);
// The end of the document: the last page and the job end, the final
// report. The job's result.
JobResult finishTextJob(TextJob* job);

} // namespace impact
