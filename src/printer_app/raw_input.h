#pragma once
// The printer's own command stream, sent as it is.
#include <pappl/pappl.h>

inline constexpr const char* kRawFormat = "application/vnd.impact-escp";

// PAPPL's printfile callback for kRawFormat: the document's bytes go to the
// device untouched.
bool printRawFile(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
