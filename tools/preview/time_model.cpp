#include "time_model.h"

#include <algorithm>

namespace {

// A 24-pin printer: 300 characters a second in draft and 100 in letter
// quality at 10 cpi, the head at 30 and 10 inches a second; condensed
// characters at the rate of their uncondensed pitch. Its pins fire 1800
// times a second, so a bit image with adjacent dots moves the head at
// 1800 / density inches a second.
const HeadModel k24Pin = {
    {300, 360, 450, 300, 360}, {100, 120, 150, 100, 120}, 1800, 30, {1, 1, 2}, 0.02, 0.015, 4,
};

// A 9-pin printer: 240 characters a second in draft, 60 in near letter
// quality (two passes a line, counted in the rate); pins at 1440 a second;
// bit images of 24 or 48 dots a column take 3 or 6 passes of 8 pins.
const HeadModel k9Pin = {
    {240, 288, 360, 240, 288}, {60, 72, 90, 60, 72}, 1440, 24, {1, 3, 6}, 0.02, 0.015, 4,
};

struct Sweep {
    bool any = false;
    int64_t y = 0;
    int64_t left = 0;
    int64_t right = 0;
    double speed = 0;
    uint32_t passes = 1;
};

struct Walk {
    const DecodedStream& stream;
    const HeadModel& model;
    double byteSeconds; // 0: the line keeps up
    StreamTime* out;
    bool oneWay = false;
    Sweep sweep;
    double segmentSeconds = 0; // the printing and feeding since the last paper move
    size_t segmentBytes = 0;
    int page = -1; // of the command in hand

    PageTime* pageTime() { return page >= 0 && page < static_cast<int>(out->pages.size()) ? &out->pages[page] : nullptr; }

    void add(double PageTime::*field, double seconds)
    {
        out->total.*field += seconds;
        out->total.seconds += seconds;
        if (PageTime* p = pageTime()) {
            p->*field += seconds;
            p->seconds += seconds;
        }
    }

    void count(uint32_t PageTime::*field)
    {
        ++(out->total.*field);
        if (PageTime* p = pageTime())
            ++(p->*field);
    }

    void take(int64_t left, int64_t right, double speed, uint32_t passes, int64_t y)
    {
        if (sweep.any && y != sweep.y) { // the printer started a new line by itself
            const int64_t fed = y - sweep.y;
            flush();
            feed(fed);
        }
        if (!sweep.any) {
            sweep = Sweep();
            sweep.any = true;
            sweep.y = y;
            sweep.left = left;
            sweep.right = right;
            sweep.speed = speed;
        }
        sweep.left = std::min(sweep.left, left);
        sweep.right = std::max(sweep.right, right);
        sweep.speed = std::min(sweep.speed, speed);
        sweep.passes = std::max(sweep.passes, passes);
    }

    // The head prints what the line holds, at the speed of its slowest part.
    void flush()
    {
        if (!sweep.any)
            return;
        const double width = static_cast<double>(sweep.right - sweep.left) / kUnitsPerInch;
        double seconds = sweep.passes * (width / sweep.speed + model.turnSeconds);
        if (oneWay)
            seconds += sweep.passes * width / model.topSpeed; // back to the left without printing
        add(&PageTime::passSeconds, seconds);
        for (uint32_t i = 0; i < sweep.passes; ++i)
            count(&PageTime::passes);
        segmentSeconds += seconds;
        sweep.any = false;
    }

    // A paper move ends a segment: the printer prints it while the next
    // one arrives, so it takes the longer of printing and sending it.
    void feed(int64_t units)
    {
        const double seconds = model.feedStartSeconds + static_cast<double>(units) / kUnitsPerInch / model.feedSpeed;
        add(&PageTime::feedSeconds, seconds);
        count(&PageTime::feeds);
        segmentSeconds += seconds;
        closeSegment();
    }

    void closeSegment()
    {
        const double sending = static_cast<double>(segmentBytes) * byteSeconds;
        if (sending > segmentSeconds)
            add(&PageTime::waitSeconds, sending - segmentSeconds);
        segmentSeconds = 0;
        segmentBytes = 0;
    }

    // From the last printed line to the top of the next form.
    int64_t formFeedUnits(const Page& p) const
    {
        const int64_t length = p.hasLength && p.lengthUnits > 0 ? p.lengthUnits : 11 * kUnitsPerInch;
        const int64_t rest = p.fed % length;
        if (p.fed > 0 && rest == 0)
            return 0;
        return length - rest;
    }

    void command(const Command& c)
    {
        page = c.page;
        segmentBytes += c.length;
        out->total.bytes += c.length;
        if (PageTime* p = pageTime())
            p->bytes += c.length;
        const bool onPage = c.page >= 0 && c.page < static_cast<int>(stream.pages.size());
        switch (c.kind) {
        case CommandKind::Text:
            for (uint32_t i = c.args[1]; onPage && i < c.args[1] + c.args[2]; ++i) {
                const TextChar& ch = stream.pages[c.page].chars[i];
                if (ch.byte != ' ') // the head skips blanks
                    take(ch.x, ch.x + ch.width, textSpeed(model, ch), 1, ch.y);
            }
            break;
        case CommandKind::BitImage: {
            if (!onPage)
                break;
            const BitImage& image = stream.pages[c.page].images[c.image];
            take(image.x, image.x + static_cast<int64_t>(image.columns) * image.columnPitch, imageSpeed(model, image),
                 imagePasses(model, image), image.y);
            break;
        }
        case CommandKind::CarriageReturn:
        case CommandKind::Reset:
            flush();
            if (c.kind == CommandKind::Reset)
                oneWay = false;
            break;
        case CommandKind::Direction:
            oneWay = c.args[0] != 0 && c.args[0] != '0';
            break;
        case CommandKind::LineFeed:
            flush();
            feed(c.args[0]);
            break;
        case CommandKind::Feed:
            flush();
            feed(static_cast<int64_t>(c.args[0]) * (kUnitsPerInch / stream.printer.feedDpi));
            break;
        case CommandKind::FormFeed:
            flush();
            feed(onPage ? formFeedUnits(stream.pages[c.page]) : 11 * kUnitsPerInch);
            break;
        default:
            break;
        }
    }
};

size_t pitchIndex(uint32_t width)
{
    for (size_t i = 0; i < 5; ++i)
        if (kModelPitchWidths[i] == width)
            return i;
    return 0;
}

} // namespace

const HeadModel& headModelFor(const PrinterClass& printer)
{
    return printer.pins == 9 ? k9Pin : k24Pin;
}

double textSpeed(const HeadModel& model, const TextChar& ch)
{
    const size_t i = pitchIndex(ch.width);
    const double cps = ch.quality != 0 ? model.letterCps[i] : model.draftCps[i];
    return cps * kModelPitchWidths[i] / kUnitsPerInch;
}

double imageSpeed(const HeadModel& model, const BitImage& image)
{
    return std::min(model.topSpeed, model.columnsPerSecond / image.density);
}

uint32_t imagePasses(const HeadModel& model, const BitImage& image)
{
    return model.passes[image.dotsPerColumn <= 8 ? 0 : image.dotsPerColumn <= 24 ? 1 : 2];
}

int estimateTime(const DecodedStream& stream, uint32_t baud, StreamTime* out)
{
    if (out == nullptr)
        return 22;
    *out = StreamTime();
    out->pages.resize(stream.pages.size());
    Walk walk{stream, headModelFor(stream.printer), baud != 0 ? 10.0 / baud : 0.0, out, false, Sweep(), 0, 0, -1};
    for (const Command& c : stream.commands)
        walk.command(c);
    walk.flush();
    walk.closeSegment();
    return 0;
}
