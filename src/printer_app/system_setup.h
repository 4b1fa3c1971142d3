#pragma once
// The printer application's system: PAPPL's usual server options, this
// application's drivers and the document formats PAPPL lacks.
#include <pappl/pappl.h>

inline constexpr const char* kAppName = "impact-printer-app";
inline constexpr const char* kAppVersion = "1.0.0";

// papplMainloop's system callback; data is a GhostscriptSettings. Besides
// PAPPL's server options it takes ghostscript-idle-limit=SECONDS.
pappl_system_t* createSystem(int optionCount, cups_option_t* options, void* data);
