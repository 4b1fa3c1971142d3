#pragma once
// Start-up: PAPPL's state loaded the way papplMainloop loads it, after the
// jobs the journal found on paper are put back held; job ids continue past
// every id handed out; spool files no job owns are removed.
#include <string>

#include <pappl/pappl.h>

// Where papplMainloop would keep the spool files: SNAP_COMMON/NAME.d,
// /var/spool/NAME as root, ~/.config/NAME.d; empty when none can be made.
std::string defaultSpoolFolder(const char* appName);

// spoolFolder: the server's spool folder, or null.
void loadStateWithRecovery(pappl_system_t* system, const char* appName, const char* spoolFolder);
