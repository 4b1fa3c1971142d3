#pragma once
// One job on one printer: the engine's job record, the host callbacks that
// connect it to the PAPPL job and device, and the job's settings from the
// printer's driver, the job's media and its options.
#include <cstddef>
#include <cstdint>

#include <pappl/pappl.h>

#include "printer_app/driver_table.h"
#include "printer_app/media_table.h"
#include "printer_app/engine.h"
#include "printer_app/page_geometry.h"
#include "engine/job/page_loop.h"

inline constexpr size_t kOutputBufferSize = 64 * 1024;

struct PrintJob {
    impact::JobState engine;
    pappl_job_t* job;
    pappl_device_t* device;
    const DriverSpec* driver;
    MediaSize media;             // the page, in points
    int mediaPosition;           // the source's position number in the PPD
    bool cancelled;              // the engine has ended the job for a cancel
    bool failed;                 // the engine or the device failed; the job is over
    int deviceError;             // errno of the failed device write, 0 if none
    char engineError[160];       // the engine's last error report, as a person reads it
    int pagesDone;               // pages ended on paper, for the job journal
    bool countsImpressions;      // PAPPL does not count this job's pages itself
    // Printer bytes are collected here and handed to PAPPL in blocks larger
    // than its device buffer, so a failing device is seen at once.
    size_t outputUsed;
    size_t handedBytes;          // bytes given to papplDeviceWrite
    size_t deviceBaseline;       // the device's written bytes when the job began
    unsigned char output[kOutputBufferSize];
};

// Sets the job up for the printer's driver, the job's media and source and
// its options (the printer's defaults for options the job does not name).
// Null, with the job's message set, when it cannot print.
PrintJob* openPrintJob(pappl_job_t* job, const pappl_pr_options_t* options, pappl_device_t* device);

// Ends the job on paper (or leaves it as a cancel or failure ended it) and
// frees it. True when the job printed to its end.
bool closePrintJob(PrintJob* job);

// True when the job is cancelled; the first time, the engine ends the page
// in flight and the job on paper. Asks PAPPL: for between pages, where the
// engine does not ask itself.
bool checkCancelled(PrintJob* job);

// The engine's page calls, with failures reported on the job and printer.
// True when the job cannot go on: it failed, or it is cancelled
// (printJobPushLine: the engine asks PAPPL before each line, so the caller
// need not).
bool printJobStartPage(PrintJob* job, const cups_page_header2_t* header);
bool printJobPushLine(PrintJob* job, const unsigned char* line);
bool printJobFinishPage(PrintJob* job);
// The pages of a raster stream through the engine's page loop, and the job's
// end. A page cut short (gray->cutShort) is left for the caller to report.
bool printJobPages(PrintJob* job, cups_raster_t* raster, impact::GrayPages* gray);

// A PAPPL filter callback's whole job for a document the application
// decodes or draws itself onto one sheet a page: the job set up with its
// options, print(job, options) (0 when it printed), the job ended. True when
// it printed or was cancelled, as PAPPL's callbacks answer.
bool runSheetJob(pappl_job_t* papplJob, pappl_device_t* device,
                 int (*print)(PrintJob* job, const pappl_pr_options_t* options));

// The job's sheet at the job's resolution, cut to what the printer prints,
// and the engine's page header for it. False, with the job failed, when the
// resolution is not one the printer prints.
bool planJobSheet(PrintJob* job, const pappl_pr_options_t* options, SheetCrop* area, cups_page_header2_t* header);

// Marks the job failed with a message a person can read.
void failPrintJob(PrintJob* job, const char* message);
