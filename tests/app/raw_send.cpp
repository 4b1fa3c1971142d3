// impact-raw-send PORT FILE [RESET-AFTER]: sends FILE to 127.0.0.1:PORT as
// a raw-port client does, ends the stream cleanly and waits for the other
// side to close; with RESET-AFTER, sends that many bytes and breaks the
// connection (TCP reset) instead.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: impact-raw-send PORT FILE [RESET-AFTER]\n");
        return 2;
    }
    FILE* in = std::fopen(argv[2], "rb");
    if (in == nullptr)
        return 2;
    std::vector<char> data;
    for (int c; (c = std::fgetc(in)) != EOF;)
        data.push_back(static_cast<char>(c));
    std::fclose(in);
    size_t length = data.size();
    const bool reset = argc > 3;
    if (reset && std::strtoul(argv[3], nullptr, 10) < length)
        length = std::strtoul(argv[3], nullptr, 10);

    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return 1;
    }
    for (size_t sent = 0; sent < length;) {
        const ssize_t n = send(fd, data.data() + sent, length - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            std::perror("send");
            return 1;
        }
        sent += static_cast<size_t>(n);
    }
    if (reset) {
        usleep(200000); // the bytes are read before the reset comes
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(fd);
        return 0;
    }
    shutdown(fd, SHUT_WR);
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char buffer[256];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
    return 0;
}
