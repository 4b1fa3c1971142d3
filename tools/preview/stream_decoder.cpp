#include <algorithm>
#include <utility>

#include "command_reader.h"
#include "impact_decode.h"

namespace {

// The text settings ESC @ restores: 10 cpi draft, 1/6 inch lines, no
// margins, US ASCII with the PC437 table selected, 80-9F printable.
struct TextState {
    uint32_t pitch = 10; // 10, 12 or 15 characters per inch
    bool condensed = false;
    uint8_t quality = 0;
    uint32_t lineSpacing = 360; // 1/2160 inch
    int64_t leftMargin = 0;     // 1/2160 inch from the left edge
    int64_t rightMargin = 0;    // 0: none
    bool upperPrintable = true; // ESC 6 (true) or ESC 7
    uint32_t international = 0; // ESC R n
    CodeTable slots[4] = {CodeTable::Italic, CodeTable::PC437, CodeTable::Unknown, CodeTable::PC437};
    uint32_t slot = 1;
};

// What the printer is doing while the stream is read.
struct PrinterState {
    int64_t x = 0;          // head position, 1/2160 inch from the left edge
    bool hasLength = false; // page length in force
    uint32_t length = 0;
    int64_t lengthUnits = 0;
    bool pageUsed = false;  // something was printed or fed on the open page
    TextState text;
    Page page;              // the open page
};

void beginPage(PrinterState* state, int number, size_t offset);
void endPage(PrinterState* state, DecodedStream* out, PageEnd end, size_t endOffset);

// Cell width at the pitch in force, 1/2160 inch: condensed 10 and 12 cpi
// print at 17.14 and 20 cpi; 15 cpi has no condensed form.
uint32_t charWidth(const TextState& t)
{
    if (t.condensed && t.pitch == 10)
        return 126;
    if (t.condensed && t.pitch == 12)
        return 108;
    return static_cast<uint32_t>(kUnitsPerInch / t.pitch);
}

void lineFeed(PrinterState* state)
{
    state->page.fed += state->text.lineSpacing;
    state->x = state->text.leftMargin;
    state->pageUsed = true;
}

void addText(PrinterState* state, const uint8_t* bytes, Command* c)
{
    const TextState& t = state->text;
    c->args[1] = static_cast<uint32_t>(state->page.chars.size());
    for (size_t i = 0; i < c->length; ++i) {
        const uint8_t b = bytes[c->offset + i];
        if (!t.upperPrintable && b >= 0x80 && b < 0xA0)
            continue; // control codes under ESC 7: nothing prints
        const uint32_t width = charWidth(t);
        state->x = std::max(state->x, t.leftMargin); // nothing prints left of the margin
        // At the right margin the printer starts a new line by itself.
        if (t.rightMargin > 0 && state->x + width > t.rightMargin && state->x > t.leftMargin)
            lineFeed(state);
        TextChar ch;
        ch.x = state->x;
        ch.y = state->page.fed;
        ch.width = width;
        ch.lineSpacing = t.lineSpacing;
        ch.leftMargin = t.leftMargin;
        ch.table = t.slots[t.slot];
        ch.codepoint = charCodepoint(ch.table, t.international, b);
        ch.byte = b;
        ch.quality = t.quality;
        state->page.chars.push_back(ch);
        state->x += width;
    }
    c->args[2] = static_cast<uint32_t>(state->page.chars.size()) - c->args[1];
    state->pageUsed = true;
}

// A page length in force from here on; one after printing or feeding
// starts a new form.
void setPageLength(PrinterState* state, DecodedStream* out, Command* c, uint32_t length, int64_t units)
{
    if (state->pageUsed) {
        endPage(state, out, PageEnd::PageLength, c->offset + c->length);
        c->page = static_cast<int>(out->pages.size()) - 1;
    }
    state->hasLength = true;
    state->length = length;
    state->lengthUnits = units;
    state->page.hasLength = true;
    state->page.length = length;
    state->page.lengthUnits = units;
}

void beginPage(PrinterState* state, int number, size_t offset)
{
    state->page = Page();
    state->page.number = number;
    state->page.startOffset = offset;
    state->page.hasLength = state->hasLength;
    state->page.length = state->length;
    state->page.lengthUnits = state->lengthUnits;
    state->pageUsed = false;
    state->x = 0;
}

void endPage(PrinterState* state, DecodedStream* out, PageEnd end, size_t endOffset)
{
    state->page.end = end;
    state->page.endOffset = endOffset;
    out->pages.push_back(std::move(state->page));
    beginPage(state, static_cast<int>(out->pages.size()) + 1, endOffset);
}

void addImage(PrinterState* state, const uint8_t* bytes, Command* c)
{
    BitImageMode info{};
    lookupBitImageMode(static_cast<uint8_t>(c->args[0]), &info);
    BitImage image;
    image.offset = c->offset;
    image.y = state->page.fed;
    image.x = state->x;
    image.mode = static_cast<uint8_t>(c->args[0]);
    image.columns = c->args[1];
    image.bytesPerColumn = info.bytesPerColumn;
    image.dotsPerColumn = info.dotsPerColumn;
    image.rowPitch = info.rowPitch;
    image.density = info.density;
    image.columnPitch = static_cast<uint32_t>(kUnitsPerInch / info.density);
    const uint8_t* data = bytes + c->offset + 5;
    image.data.assign(data, data + static_cast<size_t>(image.columns) * image.bytesPerColumn);
    // The head stays where the image ends.
    state->x += static_cast<int64_t>(image.columns) * image.columnPitch;
    c->image = static_cast<int>(state->page.images.size());
    state->page.images.push_back(std::move(image));
    state->pageUsed = true;
}

void apply(PrinterState* state, const uint8_t* bytes, Command* c, DecodedStream* out)
{
    const PrinterClass& printer = out->printer;
    TextState& t = state->text;
    const size_t next = c->offset + c->length;
    c->page = static_cast<int>(out->pages.size());
    switch (c->kind) {
    case CommandKind::Nul:
        out->nulBytes += c->args[0];
        break;
    case CommandKind::Reset:
        state->x = 0;
        state->hasLength = false;
        state->text = TextState();
        if (!state->pageUsed)
            state->page.hasLength = false;
        break;
    case CommandKind::CarriageReturn:
        state->x = t.leftMargin;
        break;
    case CommandKind::LineFeed:
        c->args[0] = t.lineSpacing; // what it feeds
        lineFeed(state);
        break;
    case CommandKind::Tab: {
        const int64_t stop = 8 * static_cast<int64_t>(charWidth(t));
        state->x = t.leftMargin + ((state->x - t.leftMargin) / stop + 1) * stop;
        break;
    }
    case CommandKind::FormFeed:
        endPage(state, out, PageEnd::FormFeed, next);
        break;
    case CommandKind::PageLength:
        setPageLength(state, out, c, c->args[0], static_cast<int64_t>(c->args[0]) * kUnitsPerInch / printer.pageDpi);
        break;
    case CommandKind::PageLengthLines: {
        const int64_t units = c->args[0] != 0 ? static_cast<int64_t>(c->args[0]) * t.lineSpacing
                                              : static_cast<int64_t>(c->args[1]) * kUnitsPerInch;
        setPageLength(state, out, c, static_cast<uint32_t>(units * printer.pageDpi / kUnitsPerInch), units);
        break;
    }
    case CommandKind::PageFormat:
        state->page.hasFormat = true;
        state->page.top = c->args[0];
        state->page.bottom = c->args[1];
        break;
    case CommandKind::Feed:
        state->page.fed += static_cast<int64_t>(c->args[0]) * (kUnitsPerInch / printer.feedDpi);
        state->pageUsed = true;
        break;
    case CommandKind::Position:
        state->x = t.leftMargin + static_cast<int64_t>(c->args[0]) * (kUnitsPerInch / printer.positionDpi);
        break;
    case CommandKind::BitImage:
        addImage(state, bytes, c);
        break;
    case CommandKind::Text:
        addText(state, bytes, c);
        break;
    case CommandKind::Pitch:
        t.pitch = c->args[0];
        break;
    case CommandKind::Condensed:
        t.condensed = c->args[0] != 0;
        break;
    case CommandKind::Quality:
        t.quality = c->args[0] != 0 && c->args[0] != '0' ? 1 : 0;
        break;
    case CommandKind::LineSpacing:
        t.lineSpacing = lineSpacingUnits(*c, printer);
        break;
    case CommandKind::LeftMargin:
        t.leftMargin = static_cast<int64_t>(c->args[0]) * charWidth(t);
        break;
    case CommandKind::RightMargin:
        t.rightMargin = static_cast<int64_t>(c->args[0]) * charWidth(t);
        break;
    case CommandKind::UpperControls:
        t.upperPrintable = c->args[0] != 0;
        break;
    case CommandKind::International:
        t.international = c->args[0];
        break;
    case CommandKind::SelectTable:
        if (c->args[0] < 4 || (c->args[0] >= '0' && c->args[0] <= '3'))
            t.slot = c->args[0] < 4 ? c->args[0] : c->args[0] - '0';
        break;
    case CommandKind::AssignTable:
        if (c->args[0] < 4)
            t.slots[c->args[0]] = codeTableFor(c->args[1], c->args[2]);
        break;
    default:
        break;
    }
}

// Job end: ESC @ 0D, or 0D ESC 19 n, as the last commands before any
// trailing NULs.
void findJobEnd(DecodedStream* out)
{
    const std::vector<Command>& cmds = out->commands;
    size_t last = cmds.size();
    out->trailingNuls = 0;
    while (last > 0 && cmds[last - 1].kind == CommandKind::Nul)
        out->trailingNuls += cmds[--last].args[0];
    if (out->failed || last < 2)
        return;
    const Command& a = cmds[last - 2];
    const Command& b = cmds[last - 1];
    if (a.kind == CommandKind::Reset && b.kind == CommandKind::CarriageReturn) {
        out->jobEnd = true;
        out->jobEndHandling = 0;
    } else if (a.kind == CommandKind::CarriageReturn && b.kind == CommandKind::PaperHandling) {
        out->jobEnd = true;
        out->jobEndHandling = static_cast<uint8_t>(b.args[0]);
    }
}

} // namespace

int decodeStream(const uint8_t* bytes, size_t size, const PrinterClass& printer, DecodedStream* out)
{
    if (out == nullptr || (bytes == nullptr && size != 0))
        return 22;
    *out = DecodedStream();
    out->printer = printer;
    if (printer.feedDpi == 0 || printer.positionDpi == 0 || printer.pageDpi == 0 ||
        kUnitsPerInch % printer.feedDpi != 0 || kUnitsPerInch % printer.positionDpi != 0)
        return 22;

    PrinterState state;
    beginPage(&state, 1, 0);
    size_t pos = 0;
    while (pos < size) {
        Command c;
        std::string error;
        if (readCommand(bytes, size, pos, &c, &error) != 0) {
            out->failed = true;
            out->errorOffset = pos;
            out->error = error;
            break;
        }
        apply(&state, bytes, &c, out);
        out->commands.push_back(c);
        pos += c.length;
    }
    // An open page counts when something was printed or fed on it.
    if (state.pageUsed)
        endPage(&state, out, PageEnd::StreamEnd, pos);
    for (Command& c : out->commands)
        if (c.page >= static_cast<int>(out->pages.size()))
            c.page = -1;
    findJobEnd(out);
    return out->failed ? 1 : 0;
}

int64_t pageLengthUnits(const Page& page, const PrinterClass& printer)
{
    if (!page.hasLength || printer.pageDpi == 0)
        return 0;
    return page.lengthUnits;
}

uint32_t lineSpacingUnits(const Command& c, const PrinterClass& printer)
{
    const uint32_t n = c.args[1];
    switch (c.args[0]) {
    case '0':
        return kUnitsPerInch / 8;
    case '3': // n/180 inch (24 pins), n/216 (9 pins)
        return n * static_cast<uint32_t>(kUnitsPerInch / (printer.pins == 9 ? 216 : 180));
    case 'A': // n/60 inch (24 pins), n/72 (9 pins)
        return n * static_cast<uint32_t>(kUnitsPerInch / (printer.pins == 9 ? 72 : 60));
    case '+':
        return n * static_cast<uint32_t>(kUnitsPerInch / 360);
    default:
        return kUnitsPerInch / 6;
    }
}
