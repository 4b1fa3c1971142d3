#pragma once
// Which printers this application drives, told by their IEEE 1284 device
// ID: the command sets (CMD or COMMAND SET) name the ESC-based dot-matrix
// language, and the command set, model or description tell the pin count.

// The driver for a printer with this device ID ("impact9" or "impact24"),
// or null when it does not speak the language.
const char* driverForDeviceId(const char* deviceId);

// PAPPL's auto-add callback: the driver for a device found by `autoadd`,
// the web interface or `add -m auto`.
const char* autoAddDriver(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* data);
