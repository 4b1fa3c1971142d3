#pragma once
// Readable names for this driver's settings in PAPPL's web pages (and for
// IPP clients that fetch the printer's strings file).
#include <pappl/pappl.h>

// Adds the English strings; call before the system runs.
void addWebStrings(pappl_system_t* system);
