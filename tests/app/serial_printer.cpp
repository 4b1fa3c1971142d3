// impact-serial-printer OUTPUT RATE BUFFER [never-xon]: a slow serial
// printer on a pseudo-terminal, whose path it prints. It keeps every byte
// it receives in OUTPUT, prints RATE bytes a second out of a BUFFER-byte
// buffer, sends XOFF when the buffer is three quarters full and XON when it
// is down to a quarter (never, with never-xon). OUTPUT.stats says
// "received N pauses P sent-while-paused S"; S counts the bytes that came
// during a pause beyond the 80 KB the pseudo-terminal may have held on
// their way when the XOFF went (64 KB on its way to us, 4 KB read buffer):
// bytes the sender sent after the XOFF. The line carries 256 KB a second.
// Exits on SIGTERM or after 120 s.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopping = 0;

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: impact-serial-printer OUTPUT RATE BUFFER [never-xon]\n");
        return 2;
    }
    const double rate = std::atof(argv[2]);
    const double capacity = std::atof(argv[3]);
    const bool neverXon = argc > 4 && std::strcmp(argv[4], "never-xon") == 0;
    int master = -1;
    int slave = -1; // kept open: the port stays up between jobs
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    std::signal(SIGTERM, [](int) { stopping = 1; });
    FILE* out = std::fopen(argv[1], "wb");
    const std::string statsPath = std::string(argv[1]) + ".stats";
    std::printf("%s\n", name);
    std::fflush(stdout);

    long received = 0, pauses = 0, sentWhilePaused = 0;
    double fill = 0;
    bool paused = false;
    long sincePause = 0;
    constexpr long kInFlight = 80 * 1024;
    const double end = now() + 120;
    auto saveStats = [&] {
        if (FILE* stats = std::fopen(statsPath.c_str(), "w")) {
            std::fprintf(stats, "received %ld pauses %ld sent-while-paused %ld\n", received, pauses, sentWhilePaused);
            std::fclose(stats);
        }
    };
    saveStats();
    for (double last = now(); !stopping && now() < end;) {
        usleep(5000);
        const double t = now();
        fill = fill > rate * (t - last) ? fill - rate * (t - last) : 0;
        last = t;
        unsigned char buffer[1280]; // what the line carries in 5 ms
        const unsigned char xoff = 0x13, xon = 0x11;
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            std::fwrite(buffer, 1, static_cast<size_t>(n), out);
            received += n;
            fill += static_cast<double>(n);
            if (paused) {
                const long before = sincePause;
                sincePause += n;
                sentWhilePaused += std::max(0L, sincePause - std::max(before, kInFlight));
            }
            if (!paused && fill >= capacity * 3 / 4 && write(master, &xoff, 1) == 1) {
                paused = true;
                sincePause = 0;
                ++pauses;
                saveStats();
            }
        }
        std::fflush(out);
        if (paused && !neverXon && fill <= capacity / 4 && write(master, &xon, 1) == 1) {
            paused = false;
            saveStats();
        }
        static long saved = 0;
        if (received != saved && !paused) {
            saved = received;
            saveStats();
        }
    }
    saveStats();
    std::fclose(out);
    close(slave);
    close(master);
    return 0;
}
