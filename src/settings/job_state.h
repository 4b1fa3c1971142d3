#pragma once
// The one record that lives for the whole job.
#include <cstddef>
#include <cstdint>

#include <cups/ppd.h>
#include <cups/raster.h>

struct PrinterUnits {
    uint16_t baseDpi;     // unit of the page metrics
    uint16_t pageDpi;     // unit of the page-length and page-format values
    uint16_t feedDpi;     // unit of the paper-feed command
    uint16_t positionDpi; // unit of the horizontal-position command
};

inline constexpr PrinterUnits kUnitsModel0 = {4320, 432, 216, 60};  // 9-pin class
inline constexpr PrinterUnits kUnitsModel1 = {3600, 360, 180, 360}; // 24-pin class

struct JobState {
    PrinterUnits units;
    uint16_t graphicsFlags;      // KXSpPseBmp: enables flagged graphics modes
    uint8_t speedCommandEnabled; // KXSpPseFsx: allows the speed command
    uint32_t speed;              // 1 for the high speed choice
    int32_t pageCount;           // page headers read so far
    ppd_size_t pageSize;         // in points
    cups_raster_t* raster;       // the open input stream
    unsigned char* lineBuffer;   // work buffer: one raster line, the band, room for one more line
    unsigned char* bandBuffer;   // lineBuffer + cupsBytesPerLine
    unsigned char* columnBuffer; // column data of the band being rendered
    uint32_t printWidthDots;
    uint32_t lineBytes;          // (printWidthDots + 7) / 8
    uint32_t printHeightLines;
    uint32_t pendingImageBytes;  // bit-image bytes announced and not yet handed over
    // The geometry the work buffer is laid out for (page setup renews it
    // when a page brings another one) and the buffer's size.
    uint32_t bufferLineBytes;    // cupsBytesPerLine the buffer was laid out for
    uint32_t bufferRowCount;
    uint32_t bufferHdpi;
    uint32_t bufferVdpi;
    size_t bufferCapacity;
};

// The process-wide job, reachable from the termination handler.
extern JobState* gJobState;

// Clears the job record and makes it the process-wide one.
JobState* resetJobState();
