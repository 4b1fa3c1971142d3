#pragma once
// The printer application's system: PAPPL's usual server options, this
// application's drivers and the document formats PAPPL lacks.
#include <pappl/pappl.h>

inline constexpr const char* kAppName = "impact-printer-app";
inline constexpr const char* kAppVersion = IMPACT_VERSION; // the project version, from CMake

// papplMainloop's system callback; data is a GhostscriptSettings. Besides
// PAPPL's server options it takes ghostscript-idle-limit=SECONDS.
pappl_system_t* createSystem(int optionCount, cups_option_t* options, void* data);

// The server loads its state itself, after putting back the jobs that were
// printing when it last stopped (job_recovery.h); other sub-commands that
// create a system leave the state alone.
void enableJobRecovery();
