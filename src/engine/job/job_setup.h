#pragma once
// Job setup against the printer's PPD and the raster input, or from
// settings a host already holds.
#include <cups/raster.h>

#include "engine/output/output_channel.h"
#include "engine/job/job_state.h"

namespace impact {

// Where a job's raster comes from: libcups reads it through `read`.
//
// A source that reads ahead into a buffer of its own may also let the job
// copy whole raster lines from that buffer, where libcups would hand them
// over unchanged (an uncompressed stream in this machine's byte order), rather
// than asking libcups for every line. Both functions or neither.
struct RasterSource {
    cups_raster_iocb_t read;
    void* context;
    // The bytes read ahead that have not been taken yet: their count, the
    // first at *bytes. 0 when there are none, or when the stream's lines must
    // go through libcups. Reads nothing.
    size_t (*heldBytes)(void* context, const unsigned char** bytes) = nullptr;
    // Takes the first `count` of the bytes heldBytes gave, as reading them
    // through `read` would.
    void (*takeBytes)(void* context, size_t count) = nullptr;
};

// Reads the PPD at ppdPath (null: none), marks the options text in it,
// captures the option choices, units, page size and printer attributes,
// and opens the raster stream last.
StatusCode setupJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source);

// The part of setupJob that reads the open PPD: marks its defaults and the
// options text, captures the option choices, units, page size and printer
// attributes. For a job that reads no raster (a text job).
StatusCode setupJobFromPpd(JobState* state, ppd_file_t* ppd, const char* optionsText);

// A job set up without a PPD: the printer's class and the page size as the
// PPD would give them. The option choices are set with setOptionChoice.
struct JobConfig {
    int modelNumber;             // 0: 9-pin class, 1: 24-pin class
    ppd_size_t pageSize;         // in points, the imageable area as a PPD gives it
    uint16_t graphicsFlags;      // what the PPD attribute KXSpPseBmp says
    uint8_t speedCommandEnabled; // what the PPD attribute KXSpPseFsx says
};
// 22 for a printer class without units.
StatusCode configureJob(JobState* state, const JobConfig* config);

// The units of a printer class (the PPD model number); 0 for a class there
// are none for.
int unitsForModel(int modelNumber, PrinterUnits* units);

// The value of a numeric PPD attribute: its text read as a base-10 integer
// (leading blanks and a sign accepted, reading stops at the first
// non-digit, no digits and out-of-range values giving what strtol gives).
long attributeNumber(const char* text);

} // namespace impact
