#pragma once
// The serial: and parallel: device schemes (see port_uri.h for their URIs).
//
// Writes never block for good: while the printer holds the data back (XOFF,
// CTS or DSR low, a parallel printer busy) the writer waits in short steps,
// noticing when the job is cancelled; after kStallSeconds without progress
// the printer shows the reason `offline` and the job says why it waits,
// until the printer takes data again. A cancelled job's unsent bytes are
// discarded, not sent later.
#include <pappl/pappl.h>

inline constexpr int kStallSeconds = 10;

// Adds both schemes to PAPPL (the server, `devices` and `add` need them).
void registerPortSchemes();

// The system whose printers' jobs the writers look up (for the cancel and
// the waiting printer's reasons); set once the system exists.
void watchPortJobs(pappl_system_t* system);

// For `add` and `modify`: false, after saying what is wrong, when a -v
// option holds a serial: or parallel: URI that does not parse.
bool portUriArgumentsValid(int argc, char* argv[]);
