// PAPPL 1.3.1 asks avahi for a service browser even when it could not
// connect to avahi-daemon, and avahi aborts the program on that (an
// assertion): the web interface's "Add Printer" page would stop the
// server on a machine without the daemon. This program's own definition
// of the call answers "no browser" then, which PAPPL reports as an error
// and goes on; with a connection it is avahi's own.
#include <dlfcn.h>

extern "C" void* avahi_service_browser_new(void* client, int interfaceIndex, int protocol, const char* type,
                                           const char* domain, int flags, void* callback, void* userdata)
{
    using Create = void* (*)(void*, int, int, const char*, const char*, int, void*, void*);
    if (client == nullptr)
        return nullptr;
    auto create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "avahi_service_browser_new"));
    return create != nullptr ? create(client, interfaceIndex, protocol, type, domain, flags, callback, userdata)
                             : nullptr;
}
