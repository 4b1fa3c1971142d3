// impact-stream-check [--pins 9|24] [--dpi HxV] [checks] file: decodes a
// printer stream from the spooler or the application and checks it. Checks:
// --pages N; --box P:X0,Y0,X1,Y1 (inches from the printable area's top left:
// the box is inked, and a boxed page has ink only in its boxes, give or take
// --tolerance, default 0.03); --inked P; --page-end ff|roll; --length N (form
// length of every page); --speed N|none; --mode M (every bit image);
// --job-end reset|C|D; --like REF [--differ N] (each page's dots among REF's,
// at most N of REF's missing); --tint P:X0,Y0,X1,Y1 (the share of the box's
// dot positions inked, which must not be 0); --covers REF (every 16x16-dot
// tile REF inks has a dot in it or a tile next to it); --cancelled (after the last run of 16 or more
// NULs only the page end and the job end). Exit 0 if all hold, 1 if not, 2
// for bad arguments or an unreadable file.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
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

int failures = 0;

__attribute__((format(printf, 1, 2))) void fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("FAIL: ", stdout);
    std::vprintf(format, args);
    std::fputc('\n', stdout);
    va_end(args);
    ++failures;
}

// The dots of one page against its boxes: every raster dot well inside a
// box is printed, and no dot lies outside all boxes (edges widened by the
// tolerance).
void checkInk(const std::vector<Dot>& dots, int number, const std::vector<Box>& boxes, uint32_t hdpi, uint32_t vdpi,
              double t)
{
    auto inside = [&](const Dot& d, const Box& b, double grow) {
        return d.x >= std::floor((b.x0 - grow) * hdpi) && d.x <= std::ceil((b.x1 + grow) * hdpi) &&
               d.y >= std::floor((b.y0 - grow) * vdpi) && d.y <= std::ceil((b.y1 + grow) * vdpi);
    };
    size_t stray = 0;
    for (const Dot& d : dots) {
        bool ok = false;
        for (const Box& b : boxes)
            ok = ok || inside(d, b, t);
        if (!ok && stray++ == 0)
            fail("page %d: dot at %.3f,%.3f in is outside the inked boxes", number, static_cast<double>(d.x) / hdpi,
                 static_cast<double>(d.y) / vdpi);
    }
    if (stray > 1)
        fail("page %d: %zu dots outside the inked boxes in all", number, stray);
    for (const Box& b : boxes) {
        const int64_t xa = static_cast<int64_t>(std::ceil((b.x0 + t) * hdpi));
        const int64_t xb = static_cast<int64_t>(std::floor((b.x1 - t) * hdpi));
        const int64_t ya = static_cast<int64_t>(std::ceil((b.y0 + t) * vdpi));
        const int64_t yb = static_cast<int64_t>(std::floor((b.y1 - t) * vdpi));
        const uint64_t wanted = static_cast<uint64_t>(xb - xa + 1) * static_cast<uint64_t>(yb - ya + 1);
        uint64_t found = 0;
        for (const Dot& d : dots)
            found += d.x >= xa && d.x <= xb && d.y >= ya && d.y <= yb;
        if (found != wanted)
            fail("page %d: box %.3f,%.3f-%.3f,%.3f in has %llu of its %llu dots", number, b.x0, b.y0, b.x1, b.y1,
                 static_cast<unsigned long long>(found), static_cast<unsigned long long>(wanted));
    }
}

// How many of the dots (sorted by y, then x, each once) are also in ref.
size_t common(const std::vector<Dot>& dots, const std::vector<Dot>& ref)
{
    size_t n = 0;
    for (size_t i = 0, j = 0; i < dots.size() && j < ref.size();) {
        const bool before = dots[i].y < ref[j].y || (dots[i].y == ref[j].y && dots[i].x < ref[j].x);
        const bool after = ref[j].y < dots[i].y || (ref[j].y == dots[i].y && ref[j].x < dots[i].x);
        n += !before && !after;
        i += !after;
        j += !before;
    }
    return n;
}

// Tiles of 16 x 16 dots with a dot in them, as (row << 32 | column).
std::set<uint64_t> inkedTiles(const std::vector<Dot>& dots)
{
    std::set<uint64_t> tiles;
    for (const Dot& d : dots)
        tiles.insert(static_cast<uint64_t>(d.y / 16) << 32 | static_cast<uint64_t>(d.x / 16));
    return tiles;
}

// Every tile ref inks is inked here or next to it.
void checkCovers(const std::vector<Dot>& dots, const std::vector<Dot>& ref, size_t number, const char* name)
{
    const std::set<uint64_t> here = inkedTiles(dots), there = inkedTiles(ref);
    size_t lost = 0, onlyHere = 0;
    for (uint64_t tile : there) {
        bool near = false;
        for (int dy = -1; dy <= 1 && !near; ++dy)
            for (int dx = -1; dx <= 1 && !near; ++dx)
                near = here.count(tile + (static_cast<uint64_t>(static_cast<int64_t>(dy)) << 32) +
                                  static_cast<uint64_t>(static_cast<int64_t>(dx))) != 0;
        if (!near && lost++ == 0)
            std::printf("page %zu: blank here, the tile at dot %llu,%llu\n", number,
                        static_cast<unsigned long long>(tile & 0xffffffffu) * 16,
                        static_cast<unsigned long long>(tile >> 32) * 16);
    }
    for (uint64_t tile : here)
        onlyHere += there.count(tile) == 0;
    std::printf("page %zu: %zu tiles inked, %zu in %s, %zu of them blank here, %zu inked only here\n", number,
                here.size(), there.size(), name, lost, onlyHere);
    if (lost != 0)
        fail("page %zu: %zu tiles %s inks are blank", number, lost, name);
}

// A stream cancelled in a page: a run of at least 16 NULs, after the last
// one only the page end and the job end.
void checkCancelled(const DecodedStream& s)
{
    size_t last = s.commands.size();
    for (size_t i = 0; i < s.commands.size(); ++i)
        if (s.commands[i].kind == CommandKind::Nul && s.commands[i].args[0] >= 16)
            last = i;
    if (last == s.commands.size())
        return fail("no run of 16 NUL bytes");
    bool pageEnd = false;
    for (size_t i = last + 1; i < s.commands.size(); ++i) {
        const CommandKind kind = s.commands[i].kind;
        pageEnd = pageEnd || kind == CommandKind::FormFeed || kind == CommandKind::PageLength;
        if (kind != CommandKind::FormFeed && kind != CommandKind::PageLength && kind != CommandKind::Feed &&
            kind != CommandKind::Reset && kind != CommandKind::CarriageReturn && kind != CommandKind::PaperHandling)
            fail("%s after the NUL bytes", describeCommand(s.commands[i], s).c_str());
    }
    if (!pageEnd)
        fail("no page end after the NUL bytes");
}

} // namespace

int main(int argc, char** argv)
{
    // Every option's values in order; the last one counts where one is taken.
    std::map<std::string, std::vector<std::string>> o;
    const std::string known = " --pins --dpi --pages --box --inked --tolerance --page-end --length --speed --mode "
                              "--job-end --like --differ --tint --covers ";
    std::string file;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--cancelled")
            o[a].push_back("");
        else if (a.rfind("--", 0) != 0)
            file = a;
        else if (known.find(" " + a + " ") == std::string::npos || i + 1 == argc)
            usage = true;
        else
            o[a].push_back(argv[++i]);
    }
    auto opt = [&](const char* name, const char* otherwise = "") {
        return o.count(name) != 0 ? o[name].back() : std::string(otherwise);
    };
    const int pins = std::atoi(opt("--pins", "24").c_str());
    uint32_t hdpi = 0, vdpi = 0;
    std::vector<Box> boxes;
    for (const std::string& v : o["--box"]) {
        Box b;
        usage = usage || std::sscanf(v.c_str(), "%d:%lf,%lf,%lf,%lf", &b.page, &b.x0, &b.y0, &b.x1, &b.y1) != 5;
        boxes.push_back(b);
    }
    if (usage || file.empty() || std::sscanf(opt("--dpi", "180x180").c_str(), "%ux%u", &hdpi, &vdpi) != 2 ||
        hdpi == 0 || vdpi == 0) {
        std::fprintf(stderr, "usage: %s [--pins 9|24] [--dpi HxV] [checks] file\n", argv[0]);
        return 2;
    }
    PrinterClass printer;
    if (printerClassForPins(pins, &printer) != 0 || access(file.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "%s: cannot read %s as a %d-pin stream\n", argv[0], file.c_str(), pins);
        return 2;
    }
    const std::vector<uint8_t> bytes = readFile(file);
    const DecodedStream s = decodeBytes(bytes, pins);
    std::printf("%s: %zu bytes, %zu commands, %zu pages\n", file.c_str(), bytes.size(), s.commands.size(),
                s.pages.size());
    if (s.failed)
        fail("the stream does not decode: %s", describeError(s).c_str());
    if (!s.jobEnd)
        fail("the stream does not end with a job end");
    if (o.count("--cancelled"))
        checkCancelled(s);

    const int pageCount = static_cast<int>(s.pages.size());
    if (o.count("--pages") && pageCount != std::atoi(opt("--pages").c_str()))
        fail("%d pages, expected %s", pageCount, opt("--pages").c_str());
    auto pageAt = [&](int number) -> const Page* {
        if (number >= 1 && number <= pageCount)
            return &s.pages[static_cast<size_t>(number - 1)];
        fail("no page %d", number);
        return nullptr;
    };
    std::map<int, std::vector<Box>> boxed;
    for (const Box& b : boxes)
        boxed[b.page].push_back(b);
    for (const auto& [number, pageBoxes] : boxed)
        if (const Page* page = pageAt(number))
            checkInk(pageDots(*page, hdpi, vdpi), number, pageBoxes, hdpi, vdpi,
                     std::atof(opt("--tolerance", "0.03").c_str()));
    for (const std::string& v : o["--tint"]) {
        Box b;
        if (std::sscanf(v.c_str(), "%d:%lf,%lf,%lf,%lf", &b.page, &b.x0, &b.y0, &b.x1, &b.y1) != 5)
            return 2;
        const Page* page = pageAt(b.page);
        if (page == nullptr)
            continue;
        const auto xa = static_cast<int64_t>(b.x0 * hdpi), xb = static_cast<int64_t>(b.x1 * hdpi);
        const auto ya = static_cast<int64_t>(b.y0 * vdpi), yb = static_cast<int64_t>(b.y1 * vdpi);
        size_t inked = 0;
        for (const Dot& d : pageDots(*page, hdpi, vdpi))
            inked += d.x >= xa && d.x < xb && d.y >= ya && d.y < yb;
        const double share = static_cast<double>(inked) / static_cast<double>((xb - xa) * (yb - ya));
        std::printf("tint %s: %.4f\n", v.c_str(), share);
        if (inked == 0)
            fail("page %d: no dot in %s", b.page, v.c_str());
    }
    if (const std::string covers = opt("--covers"); !covers.empty()) {
        const DecodedStream r = decodeBytes(readFile(covers), pins);
        for (size_t p = 0; p < std::min(r.pages.size(), s.pages.size()); ++p)
            checkCovers(pageDots(s.pages[p], hdpi, vdpi), pageDots(r.pages[p], hdpi, vdpi), p + 1, covers.c_str());
    }
    for (const std::string& v : o["--inked"])
        if (const Page* page = pageAt(std::atoi(v.c_str())); page != nullptr && pageDotCount(*page) == 0)
            fail("page %s has no dots", v.c_str());

    const std::string pageEnd = opt("--page-end");
    const long length = std::atol(opt("--length", "-1").c_str());
    const int mode = std::atoi(opt("--mode", "-1").c_str());
    for (const Page& page : s.pages) {
        if (pageEnd == "ff" && page.end != PageEnd::FormFeed)
            fail("page %d does not end with a form feed", page.number);
        if (pageEnd == "roll" && page.end != PageEnd::PageLength)
            fail("page %d does not end with the roll-paper feed", page.number);
        if (length >= 0 && (!page.hasLength || page.length != static_cast<uint32_t>(length)))
            fail("page %d: form length %u, expected %ld", page.number, page.hasLength ? page.length : 0, length);
        for (const BitImage& image : page.images)
            if (mode >= 0 && image.mode != mode) {
                fail("page %d: bit image in mode %d, expected %d", page.number, image.mode, mode);
                break;
            }
    }
    if (const std::string speed = opt("--speed"); !speed.empty()) {
        std::vector<uint32_t> speeds;
        for (const Command& cmd : s.commands)
            if (cmd.kind == CommandKind::Speed)
                speeds.push_back(cmd.args[0]);
        if (speed == "none" ? !speeds.empty()
                            : speeds.size() != 1 || speeds[0] != static_cast<uint32_t>(std::atoi(speed.c_str())))
            fail("speed commands: %zu (first %d), expected %s", speeds.size(),
                 speeds.empty() ? -1 : static_cast<int>(speeds[0]), speed.c_str());
    }
    if (const std::string jobEnd = opt("--job-end"); !jobEnd.empty() && s.jobEnd) {
        const uint8_t want = jobEnd == "C" ? 'C' : jobEnd == "D" ? 'D' : 0;
        if (s.jobEndHandling != want)
            fail("job end with paper handling %d, expected %d", s.jobEndHandling, want);
    }

    if (const std::string like = opt("--like"); !like.empty()) {
        const DecodedStream r = decodeBytes(readFile(like), pins);
        if (r.failed || r.pages.size() != s.pages.size())
            fail("%s: %zu pages, %s", like.c_str(), r.pages.size(), r.failed ? describeError(r).c_str() : "");
        const size_t differ = std::strtoul(opt("--differ", "0").c_str(), nullptr, 10);
        for (size_t p = 0; p < std::min(r.pages.size(), s.pages.size()); ++p) {
            const std::vector<Dot> dots = pageDots(s.pages[p], hdpi, vdpi), ref = pageDots(r.pages[p], hdpi, vdpi);
            const size_t both = common(dots, ref);
            std::printf("page %zu: %zu dots, %zu in %s, %zu only here, %zu only there\n", p + 1, dots.size(),
                        ref.size(), like.c_str(), dots.size() - both, ref.size() - both);
            if (both != dots.size() || ref.size() - both > differ)
                fail("page %zu: not the dots of %s", p + 1, like.c_str());
        }
    }
    if (failures == 0)
        std::printf("all checks passed\n");
    return failures == 0 ? 0 : 1;
}
