#pragma once
// Device URIs of the printers on a serial line or a parallel port:
//   serial:/dev/ttyUSB0?baud=9600&bits=8&parity=none&stop=1&flow=xonxoff
//   parallel:/dev/lp0
// A serial setting left out takes its default: 9600 baud, 8 data bits, no
// parity, 1 stop bit, XON/XOFF flow control (what most serial impact
// printers are set to when they leave the factory).
#include <cstddef>

enum class Parity { None, Even, Odd };
enum class FlowControl { None, XonXoff, RtsCts, DtrDsr };

struct SerialSettings {
    char path[256] = "";
    int baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    FlowControl flow = FlowControl::XonXoff;
};

enum class PortKind { Serial, Parallel };

struct PortUri {
    bool ok = false;
    PortKind kind = PortKind::Serial;
    SerialSettings settings; // path for both kinds; line settings for serial
    char error[192] = "";    // what is wrong, when !ok
};

// Parses a serial: or parallel: URI. The path may follow the scheme with
// one slash or three (serial:///dev/ttyS0).
PortUri parsePortUri(const char* uri);

// True when the URI names one of these schemes (whatever follows).
bool isPortUri(const char* uri);

// The URI of a serial port with the default settings written out.
void serialUriFor(const char* path, char* buffer, size_t size);
