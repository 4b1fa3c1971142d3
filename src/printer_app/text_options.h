#pragma once
// A text job's settings in the application: the print quality from IPP
// print-quality (draft: draft characters; normal and high: letter quality)
// and the text options as vendor options with printer defaults, by the
// names CUPS users know: cpi, lpi, page-left, page-top, wrap, and
// impact-character-table, impact-text-charset.
#include <pappl/pappl.h>

#include "engine/text/text_settings.h"
#include "printer_app/driver_table.h"

// Names the text options in the driver data and adds NAME-supported and
// NAME-default to the driver's attributes.
void describeTextOptions(const DriverSpec* driver, pappl_pr_driver_data_t* data, ipp_t* attrs);

// The settings a text job prints with: each option the job's own, else the
// printer's default, else the option's default. false, with the job's
// message set, for a value the option does not take.
bool resolveTextSettings(pappl_job_t* job, const pappl_pr_options_t* options, const DriverSpec* driver,
                         impact::TextSettings* settings);
