#pragma once
// Start-up: PAPPL's state loaded the way papplMainloop loads it, after the
// jobs the journal found on paper are put back held; job ids continue past
// every id handed out; spool files no job owns are removed.
#include <pappl/pappl.h>

// spoolFolder: the server's spool-directory option, or null.
void loadStateWithRecovery(pappl_system_t* system, const char* appName, const char* spoolFolder);
