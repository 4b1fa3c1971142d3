#pragma once
// Checks PAPPL 1.3.1 does not make on a request: the values of this
// driver's own attributes.
#include <pappl/pappl.h>

// PAPPL's operation callback: answers a request naming one of the
// printer's options with a value it does not have (a job's NAME, or a
// printer's NAME-default) with client-error-attributes-or-values-not-
// supported and the attribute, and returns true (handled); otherwise
// false, and PAPPL goes on with the request.
bool rejectBadOptionValues(pappl_client_t* client, void* data);
