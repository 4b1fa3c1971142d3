// impact-slow-printer OUTPUT-PREFIX RATE [FAIL-AFTER]: a network printer on
// a free loopback port (printed) that reads each connection into
// OUTPUT-PREFIX.N at RATE bytes a second, dropping it after FAIL-AFTER bytes.
// Exits after 10 s without a connection or 120 s in all.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void serve(int client, const char* path, long rate, long failAfter, double deadline)
{
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return;
    const double start = now();
    long total = 0;
    char buffer[1024];
    for (pollfd fd{client, POLLIN, 0}; now() < deadline;) {
        if (const double due = start + static_cast<double>(total) / rate; due > now()) {
            usleep(static_cast<useconds_t>((due - now()) * 1e6) + 1); // ahead of the pace
            continue;
        }
        const long want = failAfter >= 0 && failAfter - total < 1024 ? failAfter - total : 1024;
        const ssize_t n = want > 0 && poll(&fd, 1, 10000) > 0 ? read(client, buffer, static_cast<size_t>(want)) : 0;
        if (n <= 0)
            break;
        std::fwrite(buffer, 1, static_cast<size_t>(n), out);
        std::fflush(out);
        total += n;
    }
    std::fclose(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: impact-slow-printer OUTPUT-PREFIX RATE [FAIL-AFTER]\n");
        return 2;
    }
    const long rate = std::atol(argv[2]);
    const long failAfter = argc > 3 ? std::atol(argv[3]) : -1;
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Set before listening so accepted sockets inherit it: the sender feels
    // the printer's pace at once.
    const int small = 4096;
    setsockopt(server, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    socklen_t length = sizeof address;
    if (rate <= 0 || server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(server, 4) != 0 || getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("impact-slow-printer");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    const double deadline = now() + 120;
    pollfd fd{server, POLLIN, 0};
    for (int n = 1; now() < deadline && poll(&fd, 1, 10000) > 0;) {
        const int client = accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        char path[4096];
        std::snprintf(path, sizeof path, "%s.%d", argv[1], n++);
        serve(client, path, rate, failAfter, deadline);
        close(client);
    }
    close(server);
    return 0;
}
