// Serial and parallel ports: the device URIs, the line settings as a real
// terminal takes them, and which ports `devices` lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <pty.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include "printer_app/port_list.h"
#include "printer_app/port_uri.h"
#include "printer_app/raw_format.h"
#include "printer_app/serial_line.h"

namespace {

struct UriCase {
    const char* uri;
    const char* path;  // null: refused
    const char* words; // refused: in the message; accepted: "baud bits parity stop flow"
};

const UriCase kUris[] = {
    {"serial:/dev/ttyUSB0", "/dev/ttyUSB0", "9600 8 0 1 1"},
    {"serial:///dev/ttyS1?baud=19200", "/dev/ttyS1", "19200 8 0 1 1"},
    {"serial:/dev/ttyS0?baud=2400&bits=7&parity=even&stop=2&flow=rtscts", "/dev/ttyS0", "2400 7 1 2 2"},
    {"serial:/dev/ttyS0?flow=dtrdsr&parity=odd", "/dev/ttyS0", "9600 8 2 1 3"},
    {"serial:/dev/ttyS0?flow=none&baud=115200", "/dev/ttyS0", "115200 8 0 1 0"},
    {"parallel:/dev/lp0", "/dev/lp0", "9600 8 0 1 1"},
    {"parallel:/dev/lp0?baud=9600", nullptr, "takes no settings"},
    {"serial:", nullptr, "path"},
    {"serial:dev/ttyS0", nullptr, "path"},
    {"serial://host/dev/ttyS0", nullptr, "path"},
    {"serial:/dev/tty S0", nullptr, "characters"},
    {"serial:/dev/ttyS0?baud=9601", nullptr, "baud=9601"},
    {"serial:/dev/ttyS0?baud=", nullptr, "baud="},
    {"serial:/dev/ttyS0?baud=-9600", nullptr, "baud=-9600"},
    {"serial:/dev/ttyS0?bits=9", nullptr, "bits=9"},
    {"serial:/dev/ttyS0?parity=mark", nullptr, "parity=mark"},
    {"serial:/dev/ttyS0?stop=1.5", nullptr, "stop=1.5"},
    {"serial:/dev/ttyS0?flow=xon", nullptr, "flow=xon"},
    {"serial:/dev/ttyS0?speed=9600", nullptr, "unknown setting 'speed'"},
    {"serial:/dev/ttyS0?baud", nullptr, "NAME=VALUE"},
    {"serial:/dev/ttyS0?baud=9600&", nullptr, "NAME=VALUE"},
    {"serial:/dev/ttyS0?stop=1&stop=2", nullptr, "given twice"},
    {"file:/dev/ttyS0", nullptr, "not a serial"},
};

TEST(PortUri, ParsesOrSaysWhatIsWrong)
{
    for (const UriCase& c : kUris) {
        const PortUri parsed = parsePortUri(c.uri);
        EXPECT_EQ(parsed.ok, c.path != nullptr) << c.uri << ": " << parsed.error;
        if (!parsed.ok) {
            EXPECT_NE(std::string(parsed.error).find(c.words), std::string::npos) << c.uri << ": " << parsed.error;
            continue;
        }
        const SerialSettings& s = parsed.settings;
        EXPECT_STREQ(s.path, c.path) << c.uri;
        EXPECT_EQ(std::to_string(s.baud) + " " + std::to_string(s.dataBits) + " " +
                      std::to_string(static_cast<int>(s.parity)) + " " + std::to_string(s.stopBits) + " " +
                      std::to_string(static_cast<int>(s.flow)),
                  c.words)
            << c.uri;
    }
}

TEST(PortUri, ListedDefaultsParseToTheDefaults)
{
    char uri[300];
    serialUriFor("/dev/ttyUSB3", uri, sizeof uri);
    const PortUri parsed = parsePortUri(uri);
    ASSERT_TRUE(parsed.ok) << uri;
    const SerialSettings defaults{};
    EXPECT_EQ(parsed.settings.baud, defaults.baud);
    EXPECT_EQ(parsed.settings.flow, defaults.flow);
}

struct Pty {
    int master = -1, slave = -1;
    char name[256] = "";
    Pty() { openpty(&master, &slave, name, nullptr, nullptr); }
    ~Pty()
    {
        close(slave);
        close(master);
    }
};

// A pseudo-terminal keeps what a UART would, except that its characters
// are always 8 bits without parity: those settings must be reported as not
// taken, not silently dropped.
TEST(SerialLine, AppliesEverySettingOrSaysWhichItLacks)
{
    const struct {
        const char* query;
        speed_t speed;
        tcflag_t cflags; // among CSTOPB, CRTSCTS
        bool ixon;
        const char* refused; // null: taken
    } cases[] = {
        {"baud=19200&flow=xonxoff", B19200, 0, true, nullptr},
        {"baud=2400&stop=2&flow=rtscts", B2400, CSTOPB | CRTSCTS, false, nullptr},
        {"baud=115200&flow=none", B115200, 0, false, nullptr},
        {"flow=dtrdsr", B9600, 0, false, nullptr},
        {"bits=7", B9600, 0, true, "the data bits"},
        {"parity=even", B9600, 0, true, "the parity"},
    };
    for (const auto& c : cases) {
        Pty pty;
        ASSERT_GE(pty.slave, 0);
        const PortUri uri = parsePortUri((std::string("serial:") + pty.name + "?" + c.query).c_str());
        ASSERT_TRUE(uri.ok) << uri.error;
        char error[256] = "";
        const bool taken = applyLineSettings(pty.slave, uri.settings, error, sizeof error);
        if (c.refused != nullptr) {
            EXPECT_FALSE(taken) << c.query;
            EXPECT_NE(std::string(error).find(c.refused), std::string::npos) << c.query << ": " << error;
            continue;
        }
        ASSERT_TRUE(taken) << c.query << ": " << error;
        termios line{};
        ASSERT_EQ(tcgetattr(pty.slave, &line), 0);
        EXPECT_EQ(cfgetospeed(&line), c.speed) << c.query;
        EXPECT_EQ(line.c_cflag & (CSTOPB | CRTSCTS), c.cflags) << c.query;
        EXPECT_EQ((line.c_iflag & IXON) != 0, c.ixon) << c.query;
        // Raw: the printer's LF is not turned into CR LF, nothing echoes.
        EXPECT_EQ(line.c_oflag & OPOST, 0u) << c.query;
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u) << c.query;
    }
}

TEST(SerialLine, RefusesWhatIsNotATerminal)
{
    SerialSettings settings;
    std::snprintf(settings.path, sizeof settings.path, "/dev/null");
    const int fd = open("/dev/null", O_RDWR);
    char error[256] = "";
    EXPECT_FALSE(applyLineSettings(fd, settings, error, sizeof error));
    EXPECT_NE(std::string(error).find("not a serial port"), std::string::npos) << error;
    close(fd);
}

TEST(PortList, ListsPortsThatAnswerInNameOrder)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("impact-ports-" + std::to_string(getpid()));
    fs::create_directories(dir);
    Pty a, b;
    fs::create_symlink(a.name, dir / "ttyUSB10");
    fs::create_symlink(b.name, dir / "ttyUSB2");
    fs::create_symlink(a.name, dir / "ttyACM0");
    std::ofstream(dir / "ttyS0") << "";           // not a terminal
    fs::create_symlink("/dev/null", dir / "lp0"); // opens for writing
    fs::create_symlink(dir / "gone", dir / "lp1"); // does not
    fs::create_symlink(a.name, dir / "ttyUSBx");   // not a port's name
    fs::create_symlink(a.name, dir / "console");

    FoundPort ports[8];
    const int count = findPorts(dir.c_str(), ports, 8);
    std::string listed;
    for (int i = 0; i < count; ++i)
        listed += fs::path(ports[i].path).filename().string() + (ports[i].kind == PortKind::Serial ? "(s) " : "(p) ");
    EXPECT_EQ(listed, "lp0(p) ttyACM0(s) ttyUSB2(s) ttyUSB10(s) ");
    EXPECT_EQ(findPorts(dir.c_str(), ports, 2), 2);
    fs::remove_all(dir);
}

struct StreamCase {
    std::string block;
    RawStreamKind kind;
};

TEST(RawFormat, TellsPrinterCommandsFromText)
{
    using K = RawStreamKind;
    const StreamCase cases[] = {
        {"\x1b@\x1bx1Hello\r\n\x0c", K::PrinterCommands},
        {"Invoice 4711\r\n\tTotal 12.50\n\f", K::Text},
        {"Rechnung f\xc3\xbcr M\xc3\xbcller \xe2\x82\xac 12,50\n", K::Text},
        {"Rechnung f\xfcr M\xfcller\n", K::PrinterCommands}, // a code page's characters
        {"\xef\xbb\xbf" "BOM\n", K::Text},
        {"cut at the end \xe2\x82", K::Text},
        {"\xc0\xaf" " overlong", K::PrinterCommands},
        {"\xed\xa0\x80 surrogate", K::PrinterCommands},
        {"\xf4\x90\x80\x80 beyond U+10FFFF", K::PrinterCommands},
        {std::string("A\0B", 3), K::PrinterCommands},
        {"\x0e wide \x14", K::PrinterCommands},
        {"del \x7f", K::PrinterCommands},
        {"%PDF-1.7\n%\xe2\xe3", K::Pdf},
        {"%!PS-Adobe-3.0\n", K::PostScript},
        {"\x1b%-12345X@PJL\r\n", K::PrinterCommands},
        {"", K::PrinterCommands},
        // Only the first block counts.
        {std::string(kRawFirstBlock, 'a') + "\x1b@", K::Text},
        {std::string(kRawFirstBlock - 1, 'a') + "\x1b@", K::PrinterCommands},
    };
    for (const StreamCase& c : cases)
        EXPECT_EQ(classifyRawStream(reinterpret_cast<const unsigned char*>(c.block.data()), c.block.size()), c.kind)
            << c.block.substr(0, 40);
}

} // namespace
