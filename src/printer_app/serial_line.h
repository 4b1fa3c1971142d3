#pragma once
// A serial port's line settings, applied to an open terminal device.
#include <cstddef>

#include "printer_app/port_uri.h"

// Puts the line in raw mode (cfmakeraw: no translation of the printer's
// bytes, no echo) with the settings' speed, character format and flow
// control, then reads the settings back: false, with what the port did not
// take in error, when any differs. DTR/DSR flow control, which the terminal
// layer does not do, is the writer's business (dsrReady).
bool applyLineSettings(int fd, const SerialSettings& settings, char* error, size_t errorSize);

// For DTR/DSR flow control: true when the printer raises DSR (ready to
// take data). Devices without modem lines count as ready.
bool dsrReady(int fd);
