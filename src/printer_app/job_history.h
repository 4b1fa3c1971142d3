#pragma once
// Each printer's history of completed jobs held to its limit.
#include <pappl/pappl.h>

// Starts a timer that trims the histories every few seconds.
void trimJobHistories(pappl_system_t* system);
