#pragma once
// The record of one job: everything that lives longer than one operation,
// and the host it runs in. One job is one value; a program may run any
// number of them at once, each on its own record.
#include <cstddef>
#include <cstdint>

#include <cups/raster.h>

#include "engine/output/job_report.h"
#include "engine/output/output_channel.h"
#include "engine/job/job_result.h"
#include "engine/job/job_settings.h"

namespace impact {

// What the program running the job gives it: where its printer bytes and
// reports go, how it learns that it is cancelled, and what the program
// wants done as each page starts and ends.
struct JobHost {
    OutputStream printer;
    ReportSink reports;
    // True once the job is cancelled; *pendingBytes gets the bit-image
    // bytes that were in flight when the cancel came (0 for a host that
    // only asks between lines). Null: the job is never cancelled.
    bool (*cancelRequested)(void* context, uint32_t* pendingBytes);
    void (*pageStarted)(void* context); // may be null
    void (*pageEnded)(void* context);   // may be null
    void* context;
};

// Where the lines of the page in progress stand.
struct PageAssembly {
    uint32_t y;          // index of the next line of the page
    uint32_t skipLines;  // lines of feed owed before the next band
    uint16_t bandLines;  // lines gathered in the band buffer
    bool bandStarted;    // the first of them is known to have a dot
};

struct JobState {
    JobSettings settings;        // what the job prints with
    PrinterUnits units;          // of the settings' printer class
    uint32_t speed;              // the bit-image speed: 1 for high, else 0
    int32_t pageCount;           // page headers read so far
    unsigned char* lineBuffer;   // work buffer: one raster line, the band, room for one more line
    unsigned char* bandBuffer;   // lineBuffer + cupsBytesPerLine
    unsigned char* columnBuffer; // column data of the band being rendered
    uint32_t printWidthDots;
    uint32_t lineBytes;          // (printWidthDots + 7) / 8
    uint32_t printHeightLines;
    // Bit-image bytes announced and not yet handed over. A signal handler
    // may read it at any moment: written and read through setPendingBytes
    // and pendingBytes only.
    uint32_t pendingImageBytes;
    // The geometry the work buffer is laid out for (page setup renews it
    // when a page brings another one) and the buffer's size.
    uint32_t bufferLineBytes;    // cupsBytesPerLine the buffer was laid out for
    uint32_t bufferRowCount;
    uint32_t bufferHdpi;
    uint32_t bufferVdpi;
    size_t bufferCapacity;

    JobHost host;
    cups_page_header2_t header;  // the page in progress
    PageAssembly page;
    bool pageOpen;               // a page has started and not yet ended
    bool finishing;              // the cancelled job's last bytes are being sent
    bool cancelled;              // the job was cancelled and has ended on paper
    bool over;                   // the job has ended: nothing more is sent
    JobResult result;            // what the job ended with, once it is over
};

// The bit-image bytes in flight, as a signal handler may see them at any
// moment: whole values, in program order with the writes around them.
void setPendingBytes(uint32_t* slot, uint32_t count);
uint32_t pendingBytes(uint32_t* slot);

// Clears the record and takes the host (null: a job whose bytes and
// reports go nowhere).
void initJobState(JobState* state, const JobHost* host);

} // namespace impact
