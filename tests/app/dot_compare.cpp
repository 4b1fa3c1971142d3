// impact-dot-compare: decodes two printer streams and compares the dots
// each page puts on paper; or checks that a cancelled job's stream ends as
// a cancelled job must.
//
//   impact-dot-compare [--pins 9|24] [--dpi HxV] [--max-differ N] [--within] A B
// Prints one line per page: the dots of A and of B, and how many only one
// of them has.
// Exit status 0 when both have the same pages and no page differs in more
// than N dots (default 0), and with --within every dot of B is one of A's;
// 1 otherwise, 2 for bad arguments or a stream that does not decode.
//
//   impact-dot-compare [--pins 9|24] --cancelled A
// Prints the number of pages; exit status 0 when A decodes, the bit image
// in flight was completed, a run of at least 16 NUL bytes follows, and
// after it only the page end and the job end; 1 otherwise.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "impact_decode.h"

namespace {

bool decodeFile(const char* path, const PrinterClass& printer, DecodedStream* out)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if ((!in.good() && !in.eof()) || decodeStream(bytes.data(), bytes.size(), printer, out) != 0) {
        std::printf("%s: %s\n", path, describeError(*out).c_str());
        return false;
    }
    return true;
}

using DotSet = std::set<std::pair<int64_t, int64_t>>;

DotSet dotSet(const Page& page, uint32_t hdpi, uint32_t vdpi)
{
    DotSet set;
    for (const Dot& dot : pageDots(page, hdpi, vdpi))
        set.insert({dot.y, dot.x});
    return set;
}

size_t onlyIn(const DotSet& a, const DotSet& b)
{
    size_t n = 0;
    for (const auto& dot : a)
        n += b.count(dot) == 0;
    return n;
}

// The stream of a job cancelled in the middle of a page.
int checkCancelled(const DecodedStream& s)
{
    std::printf("pages: %zu\n", s.pages.size());
    if (s.failed || !s.jobEnd) {
        std::printf("the stream %s\n", s.failed ? describeError(s).c_str() : "has no job end");
        return 1;
    }
    size_t last = s.commands.size();
    for (size_t i = 0; i < s.commands.size(); ++i)
        if (s.commands[i].kind == CommandKind::Nul && s.commands[i].args[0] >= 16)
            last = i;
    if (last == s.commands.size()) {
        std::printf("no run of 16 NUL bytes\n");
        return 1;
    }
    bool pageEnd = false;
    for (size_t i = last + 1; i < s.commands.size(); ++i) {
        switch (s.commands[i].kind) {
        case CommandKind::FormFeed:
        case CommandKind::PageLength:
            pageEnd = true;
            break;
        case CommandKind::Feed: // the roll-paper page end's short feed
        case CommandKind::Reset:
        case CommandKind::CarriageReturn:
        case CommandKind::PaperHandling:
            break;
        default:
            std::printf("%s after the NUL bytes\n", describeCommand(s.commands[i], s).c_str());
            return 1;
        }
    }
    if (!pageEnd)
        std::printf("no page end after the NUL bytes\n");
    return pageEnd ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    int pins = 24;
    unsigned hdpi = 180, vdpi = 180;
    size_t maxDiffer = 0;
    bool cancelled = false;
    bool within = false;
    const char* paths[2] = {nullptr, nullptr};
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pins") == 0 && i + 1 < argc)
            pins = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--dpi") == 0 && i + 1 < argc)
            std::sscanf(argv[++i], "%ux%u", &hdpi, &vdpi);
        else if (std::strcmp(argv[i], "--cancelled") == 0)
            cancelled = true;
        else if (std::strcmp(argv[i], "--within") == 0)
            within = true;
        else if (std::strcmp(argv[i], "--max-differ") == 0 && i + 1 < argc)
            maxDiffer = std::strtoul(argv[++i], nullptr, 10);
        else if (files < 2)
            paths[files++] = argv[i];
    }
    PrinterClass printer;
    if (cancelled && files == 1 && printerClassForPins(pins, &printer) == 0) {
        DecodedStream a;
        decodeFile(paths[0], printer, &a);
        return checkCancelled(a);
    }
    if (files != 2 || hdpi == 0 || vdpi == 0 || printerClassForPins(pins, &printer) != 0) {
        std::fprintf(stderr, "usage: impact-dot-compare [--pins 9|24] [--dpi HxV] [--max-differ N] [--within] A B\n");
        return 2;
    }
    DecodedStream a, b;
    if (!decodeFile(paths[0], printer, &a) || !decodeFile(paths[1], printer, &b))
        return 2;
    int status = a.pages.size() == b.pages.size() ? 0 : 1;
    std::printf("pages: %zu and %zu\n", a.pages.size(), b.pages.size());
    for (size_t p = 0; p < std::min(a.pages.size(), b.pages.size()); ++p) {
        const DotSet da = dotSet(a.pages[p], hdpi, vdpi), db = dotSet(b.pages[p], hdpi, vdpi);
        const size_t onlyA = onlyIn(da, db), onlyB = onlyIn(db, da);
        std::printf("page %zu: %zu and %zu dots, %zu only in A, %zu only in B\n", p + 1, da.size(), db.size(), onlyA,
                    onlyB);
        if (onlyA + onlyB > maxDiffer || (within && onlyB != 0))
            status = 1;
    }
    return status;
}
