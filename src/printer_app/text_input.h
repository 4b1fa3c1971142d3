#pragma once
// Plain-text documents (text/plain), printed in the printer's own fonts.
#include <cstddef>

#include <pappl/pappl.h>

// PAPPL's filter callback for text/plain.
bool printTextDocument(pappl_job_t* job, pappl_device_t* device, void* data);

// Whether a document whose type the client did not say is plain text, by
// its first bytes: UTF-8 (ASCII included) without control bytes other than
// tab, line feed, form feed and carriage return. A printer-command stream
// starts with ESC or NUL and is not text.
bool looksLikeText(const unsigned char* header, size_t size);
