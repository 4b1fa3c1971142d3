#pragma once
// The job's settings from the printer's PPD and the job's options, by the
// rules the filter has always matched the PPD's choices with.
#include "engine/job/job_result.h"
#include "engine/job/job_settings.h"
#include "engine/output/job_report.h"
#include "filter/option_table.h"

// Reads the PPD at ppdPath (null: none), marks the job's options in it and
// fills in the settings. Anything but Success is reported to reports first:
// SettingsUnreadable (no PPD), Unsupported (conflicting options, a printer
// class without units) or BadData (no page size).
impact::JobResult settingsFromPpd(const char* ppdPath, const char* optionsText, const impact::ReportSink* reports,
                                  impact::JobSettings* settings);

// The same from a PPD the caller has opened (and closes).
impact::JobResult settingsFromOpenPpd(ppd_file_t* ppd, const char* optionsText, const impact::ReportSink* reports,
                                      impact::JobSettings* settings);

// The settings the option choices select: a direction or speed choice other
// than "Default" is sent (unidirectional when it contains "UniOn", high when
// it contains "High"); packet-mode exit for KXPackMode "Auto"; the driver's
// margins for KXTopMP "Driver"; the roll-paper page end for InputSlot
// "RollPaper" with KXSvRP "On"; with KXTearOff "On", the tear-off job end
// for an InputSlot beginning with "Tractor" or "RollPaper" (the saving one
// for the latter with KXSvRP "On").
void applyOptionChoices(const OptionTable* options, impact::JobSettings* settings);

// The printer class of a PPD model number; false for one there is none for.
bool printerClassForModel(int modelNumber, impact::PrinterClass* printerClass);

// The value of a numeric PPD attribute: its text read as a base-10 integer
// (leading blanks and a sign accepted, reading stops at the first
// non-digit, no digits and out-of-range values giving what strtol gives).
long attributeNumber(const char* text);
