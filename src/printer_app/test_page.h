#pragma once
// The printer's test page: the project's sample page (a frame, rulers,
// lettering, grey steps) filling the printable area of the printer's
// default paper, so a person can check a new printer from the web
// interface.
#include <cstddef>

#include <pappl/pappl.h>

// PAPPL's testpage callback: writes the page as a PNG picture (PAPPL 1.3.1
// prints raster only as it streams in from a client, not from a file) and
// returns its path (in buffer), or null when it cannot.
const char* makeTestPage(pappl_printer_t* printer, char* buffer, size_t size);
