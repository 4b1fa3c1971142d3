#pragma once
// The printer's test page: the project's sample page (a frame, rulers,
// lettering, grey steps) filling the printable area of the job's paper at
// the job's resolution, so a person can check a new printer from the web
// interface. PAPPL 1.3.1 prints a test page as a document file: the file
// only names the page, which is drawn into the engine's lines as it prints.
#include <cstddef>

#include <pappl/pappl.h>

// The test page's document format.
inline constexpr const char* kTestPageFormat = "application/vnd.impact-test-page";

// PAPPL's testpage callback: writes the file that names the test page and
// returns its path (in buffer), or null when it cannot.
const char* makeTestPage(pappl_printer_t* printer, char* buffer, size_t size);

// True for the start of such a file.
bool isTestPageFile(const unsigned char* header, size_t size);

// The MIME filter for kTestPageFormat.
bool printTestPage(pappl_job_t* job, pappl_device_t* device, void* data);
