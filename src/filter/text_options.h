#pragma once
// A text job's settings in the CUPS filter: the printer's text defaults
// from the PPD (KXTextQuality, KXCharTable, KXTextCharset, marked with the
// job's choices) and the job's own options by the names CUPS users know
// (cpi, lpi, page-left, page-top, wrap).
#include <cups/ppd.h>

#include "engine/output/job_report.h"
#include "engine/text/text_settings.h"

// Fills settings for a job on this PPD (marked already) with this options
// text. An option value that cannot be read is reported as a warning and
// the default is kept.
void readTextSettings(ppd_file_t* ppd, const char* optionsText, bool ninePin, const impact::ReportSink* reports,
                      impact::TextSettings* settings);
