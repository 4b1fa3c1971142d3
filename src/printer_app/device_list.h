#pragma once
// The `devices` sub-command: the printers this machine can see, each with
// the driver it would be added with.

// Lists local devices (USB and the like) and, when the DNS-SD daemon runs,
// network printers it announces; network printers found by SNMP broadcast
// are not looked for. Returns the program's exit status.
int showDevices();

// 1 when avahi-daemon runs on this machine (PAPPL's DNS-SD needs it).
int dnssdAvailable();
