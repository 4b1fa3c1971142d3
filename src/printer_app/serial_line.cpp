#include "printer_app/serial_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/ioctl.h>
#include <termios.h>

namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

tcflag_t sizeFor(int bits)
{
    return bits == 5 ? CS5 : bits == 6 ? CS6 : bits == 7 ? CS7 : CS8;
}

} // namespace

bool applyLineSettings(int fd, const SerialSettings& s, char* error, size_t errorSize)
{
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        std::snprintf(error, errorSize, "%s is not a serial port: %s", s.path, std::strerror(errno));
        return false;
    }
    cfmakeraw(&line);
    const speed_t speed = speedFor(s.baud);
    cfsetispeed(&line, speed);
    cfsetospeed(&line, speed);
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    line.c_cflag |= sizeFor(s.dataBits) | CREAD | CLOCAL;
    if (s.parity != Parity::None)
        line.c_cflag |= PARENB | (s.parity == Parity::Odd ? PARODD : 0);
    if (s.stopBits == 2)
        line.c_cflag |= CSTOPB;
    if (s.flow == FlowControl::RtsCts)
        line.c_cflag |= CRTSCTS;
    // XON/XOFF from the printer pauses and resumes our output; nothing is
    // sent the other way (IXOFF) since the printer's replies are not read.
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.flow == FlowControl::XonXoff)
        line.c_iflag |= IXON;
    line.c_cc[VSTART] = 0x11;
    line.c_cc[VSTOP] = 0x13;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &line) != 0) {
        std::snprintf(error, errorSize, "%s refused the line settings: %s", s.path, std::strerror(errno));
        return false;
    }
    // tcsetattr succeeds when any one setting was taken: check them all.
    termios taken{};
    const char* missing = nullptr;
    if (tcgetattr(fd, &taken) != 0)
        missing = "any setting";
    else if (cfgetospeed(&taken) != speed || cfgetispeed(&taken) != speed)
        missing = "the speed";
    else if ((taken.c_cflag & CSIZE) != (line.c_cflag & CSIZE))
        missing = "the data bits";
    else if ((taken.c_cflag & (PARENB | PARODD)) != (line.c_cflag & (PARENB | PARODD)))
        missing = "the parity";
    else if ((taken.c_cflag & CSTOPB) != (line.c_cflag & CSTOPB))
        missing = "the stop bits";
    else if ((taken.c_cflag & CRTSCTS) != (line.c_cflag & CRTSCTS) || (taken.c_iflag & IXON) != (line.c_iflag & IXON))
        missing = "the flow control";
    else if ((taken.c_oflag & OPOST) != 0 || (taken.c_lflag & (ICANON | ECHO | ISIG)) != 0)
        missing = "raw mode";
    if (missing != nullptr) {
        std::snprintf(error, errorSize, "%s did not take %s", s.path, missing);
        return false;
    }
    tcflush(fd, TCIFLUSH);
    return true;
}

bool dsrReady(int fd)
{
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0)
        return true;
    return (lines & TIOCM_DSR) != 0;
}
