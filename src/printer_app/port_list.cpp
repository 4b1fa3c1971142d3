#include "printer_app/port_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// NAME followed by digits only.
bool numbered(const char* name, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return std::strncmp(name, prefix, length) == 0 && name[length] != '\0' &&
           std::strspn(name + length, "0123456789") == std::strlen(name + length);
}

bool serialAnswers(const char* path, bool builtIn)
{
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios line{};
    bool answers = tcgetattr(fd, &line) == 0;
    // The kernel makes ttyS nodes for UARTs that are not there.
    serial_struct serial{};
    if (answers && builtIn && ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type == PORT_UNKNOWN)
        answers = false;
    close(fd);
    return answers;
}

bool parallelOpens(const char* path)
{
    const int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

} // namespace

int findPorts(const char* dir, FoundPort* ports, int capacity)
{
    dirent** names = nullptr;
    const int count = scandir(dir, &names, nullptr, versionsort);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        const char* name = names[i]->d_name;
        const bool builtIn = numbered(name, "ttyS");
        const bool serial = builtIn || numbered(name, "ttyUSB") || numbered(name, "ttyACM");
        const bool parallel = numbered(name, "lp");
        char path[256];
        if ((serial || parallel) && found < capacity &&
            std::snprintf(path, sizeof path, "%s/%s", dir, name) < static_cast<int>(sizeof path) &&
            (serial ? serialAnswers(path, builtIn) : parallelOpens(path))) {
            std::snprintf(ports[found].path, sizeof ports[found].path, "%s", path);
            ports[found++].kind = serial ? PortKind::Serial : PortKind::Parallel;
        }
        std::free(names[i]);
    }
    std::free(names);
    return found;
}
