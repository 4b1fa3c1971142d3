#pragma once
// The application's own raw-socket listener (server-options=raw-socket, in
// place of PAPPL's): port 9099 + printer id (9100 for the first printer),
// on the addresses listen-hostname names (all when it is not given).
//
// Every connection becomes a job once it ends cleanly: its bytes are kept
// in a spool file while they arrive, then sent to the printer through the
// application's own IPP server (as a client would), in the format the
// stream's first block says (raw_format.h): printer commands untouched, text
// as text/plain, PDF and PostScript as such; a printer whose
// impact-raw-port-format is passthrough gets everything untouched. A
// connection that breaks (reset, error, 5 minutes without data) becomes a
// job that is created and cancelled at once, named "(connection broken)":
// nothing of it is printed. A connection that sends nothing makes no job.
#include <pappl/pappl.h>

// Server option raw-socket-port=N moves the first printer's port (tests).
// Reads listen-hostname and spool-directory from the server options.
void startRawPort(pappl_system_t* system, int optionCount, cups_option_t* options);

// The printer setting impact-raw-port-format (auto, passthrough), added to
// the driver's vendor options.
void describeRawPortOption(pappl_pr_driver_data_t* data, ipp_t* attrs);
