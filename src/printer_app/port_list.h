#pragma once
// The serial and parallel ports of a machine, as `devices` lists them.
#include "printer_app/port_uri.h"

struct FoundPort {
    char path[256];
    PortKind kind;
};

// The ports in dir (/dev): serial ports ttyS*, ttyUSB*, ttyACM* that open
// as terminals (a ttyS without a UART behind it does not), parallel ports
// lp* that open for writing; in name order (ttyS2 before ttyS10). Returns
// how many were found, at most capacity.
int findPorts(const char* dir, FoundPort* ports, int capacity);
