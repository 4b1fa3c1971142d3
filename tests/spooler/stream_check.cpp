// impact-stream-check: decodes a printer stream that went through the
// spooler and checks it against what the document and the job options ask
// for: the pages, the ink of each page inside given boxes and nowhere else,
// the page ends, the form length, the speed command, the bit-image mode and
// the job end.
//
//   impact-stream-check [checks] file
//     --pins 9|24             printer class (default 24)
//     --dpi HxV               raster resolution of the job (default 180x180)
//     --pages N               exactly N pages
//     --box P:X0,Y0,X1,Y1     page P has ink over this box, in inches from the
//                             printable area's top left corner; every page
//                             named by a box has ink only inside its boxes
//     --inked P               page P has some dots
//     --tolerance T           inches the box edges may be off (default 0.03)
//     --page-end ff|roll      how every page ends
//     --length N              every page's form length, 1/pageDpi inch
//     --speed N|none          the speed command FS x N, or none
//     --mode M                every bit image uses mode M
//     --job-end reset|C|D     ESC @ CR, or CR ESC 19 "C" / "D"
// Exit status 0 when every check holds, 1 otherwise (each failure on a line
// of its own), 2 for bad arguments or an unreadable file.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "decoded.h"
#include "test_files.h"

namespace {

struct Box {
    int page;
    double x0, y0, x1, y1;
};

struct Checks {
    int pins = 24;
    uint32_t hdpi = 180;
    uint32_t vdpi = 180;
    int pages = -1;
    std::vector<Box> boxes;
    std::vector<int> inked;
    double tolerance = 0.03;
    std::string pageEnd;
    long length = -1;
    std::string speed;
    int mode = -1;
    std::string jobEnd;
    std::string file;
};

int failures = 0;

void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("FAIL: ", stdout);
    std::vprintf(format, args);
    std::fputc('\n', stdout);
    va_end(args);
    ++failures;
}

bool parseArgs(int argc, char** argv, Checks* c)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a.rfind("--", 0) != 0) {
            c->file = a;
            continue;
        }
        if ((v = value()) == nullptr)
            return false;
        if (a == "--pins")
            c->pins = std::atoi(v);
        else if (a == "--dpi") {
            if (std::sscanf(v, "%ux%u", &c->hdpi, &c->vdpi) != 2)
                return false;
        } else if (a == "--pages")
            c->pages = std::atoi(v);
        else if (a == "--box") {
            Box b;
            if (std::sscanf(v, "%d:%lf,%lf,%lf,%lf", &b.page, &b.x0, &b.y0, &b.x1, &b.y1) != 5)
                return false;
            c->boxes.push_back(b);
        } else if (a == "--inked")
            c->inked.push_back(std::atoi(v));
        else if (a == "--tolerance")
            c->tolerance = std::atof(v);
        else if (a == "--page-end")
            c->pageEnd = v;
        else if (a == "--length")
            c->length = std::atol(v);
        else if (a == "--speed")
            c->speed = v;
        else if (a == "--mode")
            c->mode = std::atoi(v);
        else if (a == "--job-end")
            c->jobEnd = v;
        else
            return false;
    }
    return !c->file.empty() && c->hdpi != 0 && c->vdpi != 0;
}

// The dots of one page against its boxes: every raster dot well inside a
// box is printed, and no dot lies outside all boxes (edges widened by the
// tolerance).
void checkInk(const Checks& c, const Page& page, const std::vector<Box>& boxes)
{
    const std::vector<Dot> dots = pageDots(page, c.hdpi, c.vdpi);
    const double t = c.tolerance;
    auto inside = [&](const Dot& d, const Box& b, double grow) {
        return d.x >= std::floor((b.x0 - grow) * c.hdpi) && d.x <= std::ceil((b.x1 + grow) * c.hdpi) &&
               d.y >= std::floor((b.y0 - grow) * c.vdpi) && d.y <= std::ceil((b.y1 + grow) * c.vdpi);
    };
    size_t stray = 0;
    for (const Dot& d : dots) {
        bool ok = false;
        for (const Box& b : boxes)
            ok = ok || inside(d, b, t);
        if (!ok && stray++ == 0)
            fail("page %d: dot at %.3f,%.3f in is outside the inked boxes", page.number,
                 static_cast<double>(d.x) / c.hdpi, static_cast<double>(d.y) / c.vdpi);
    }
    if (stray > 1)
        fail("page %d: %zu dots outside the inked boxes in all", page.number, stray);
    for (const Box& b : boxes) {
        const int64_t xa = static_cast<int64_t>(std::ceil((b.x0 + t) * c.hdpi));
        const int64_t xb = static_cast<int64_t>(std::floor((b.x1 - t) * c.hdpi));
        const int64_t ya = static_cast<int64_t>(std::ceil((b.y0 + t) * c.vdpi));
        const int64_t yb = static_cast<int64_t>(std::floor((b.y1 - t) * c.vdpi));
        const uint64_t wanted = static_cast<uint64_t>(xb - xa + 1) * static_cast<uint64_t>(yb - ya + 1);
        uint64_t found = 0;
        for (const Dot& d : dots)
            found += d.x >= xa && d.x <= xb && d.y >= ya && d.y <= yb;
        if (found != wanted)
            fail("page %d: box %.3f,%.3f-%.3f,%.3f in has %llu of its %llu dots", page.number, b.x0, b.y0, b.x1,
                 b.y1, static_cast<unsigned long long>(found), static_cast<unsigned long long>(wanted));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Checks c;
    if (!parseArgs(argc, argv, &c)) {
        std::fprintf(stderr, "usage: %s [--pins 9|24] [--dpi HxV] [checks] file\n", argv[0]);
        return 2;
    }
    PrinterClass printer;
    if (printerClassForPins(c.pins, &printer) != 0 || access(c.file.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "%s: cannot read %s as a %d-pin stream\n", argv[0], c.file.c_str(), c.pins);
        return 2;
    }
    const std::vector<uint8_t> bytes = readFile(c.file);
    const DecodedStream s = decodeBytes(bytes, c.pins);
    std::printf("%s: %zu bytes, %zu commands, %zu pages\n", c.file.c_str(), bytes.size(), s.commands.size(),
                s.pages.size());
    if (s.failed)
        fail("the stream does not decode: %s", describeError(s).c_str());
    if (!s.jobEnd)
        fail("the stream does not end with a job end");

    const int pageCount = static_cast<int>(s.pages.size());
    if (c.pages >= 0 && pageCount != c.pages)
        fail("%d pages, expected %d", pageCount, c.pages);

    auto pageAt = [&](int number) -> const Page* {
        if (number < 1 || number > pageCount) {
            fail("no page %d", number);
            return nullptr;
        }
        return &s.pages[static_cast<size_t>(number - 1)];
    };
    std::map<int, std::vector<Box>> boxed;
    for (const Box& b : c.boxes)
        boxed[b.page].push_back(b);
    for (const auto& [number, boxes] : boxed)
        if (const Page* page = pageAt(number))
            checkInk(c, *page, boxes);
    for (int number : c.inked)
        if (const Page* page = pageAt(number); page != nullptr && pageDotCount(*page) == 0)
            fail("page %d has no dots", number);

    for (const Page& page : s.pages) {
        if (c.pageEnd == "ff" && page.end != PageEnd::FormFeed)
            fail("page %d does not end with a form feed", page.number);
        if (c.pageEnd == "roll" && page.end != PageEnd::PageLength)
            fail("page %d does not end with the roll-paper feed", page.number);
        if (c.length >= 0 && (!page.hasLength || page.length != static_cast<uint32_t>(c.length)))
            fail("page %d: form length %u, expected %ld", page.number, page.hasLength ? page.length : 0, c.length);
        if (c.mode >= 0)
            for (const BitImage& image : page.images)
                if (image.mode != c.mode) {
                    fail("page %d: bit image in mode %d, expected %d", page.number, image.mode, c.mode);
                    break;
                }
    }

    if (!c.speed.empty()) {
        std::vector<uint32_t> speeds;
        for (const Command& cmd : s.commands)
            if (cmd.kind == CommandKind::Speed)
                speeds.push_back(cmd.args[0]);
        if (c.speed == "none" ? !speeds.empty()
                              : speeds.size() != 1 || speeds[0] != static_cast<uint32_t>(std::atoi(c.speed.c_str())))
            fail("speed commands: %zu (first %d), expected %s", speeds.size(),
                 speeds.empty() ? -1 : static_cast<int>(speeds[0]), c.speed.c_str());
    }
    if (!c.jobEnd.empty()) {
        uint8_t want = c.jobEnd == "C" ? 'C' : c.jobEnd == "D" ? 'D' : 0;
        if (s.jobEnd && s.jobEndHandling != want)
            fail("job end with paper handling %d, expected %d", s.jobEndHandling, want);
    }

    if (failures == 0)
        std::printf("all checks passed\n");
    return failures == 0 ? 0 : 1;
}
