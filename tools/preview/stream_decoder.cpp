#include <utility>

#include "command_reader.h"
#include "impact_decode.h"

namespace {

// What the printer is doing while the stream is read.
struct PrinterState {
    int64_t x = 0;          // head position, 1/2160 inch from the left edge
    bool hasLength = false; // page length in force
    uint32_t length = 0;
    bool pageUsed = false;  // something was printed or fed on the open page
    Page page;              // the open page
};

void beginPage(PrinterState* state, int number, size_t offset)
{
    state->page = Page();
    state->page.number = number;
    state->page.startOffset = offset;
    state->page.hasLength = state->hasLength;
    state->page.length = state->length;
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
    const size_t next = c->offset + c->length;
    c->page = static_cast<int>(out->pages.size());
    switch (c->kind) {
    case CommandKind::Nul:
        out->nulBytes += c->args[0];
        break;
    case CommandKind::Reset:
        state->x = 0;
        state->hasLength = false;
        if (!state->pageUsed)
            state->page.hasLength = false;
        break;
    case CommandKind::CarriageReturn:
        state->x = 0;
        break;
    case CommandKind::FormFeed:
        endPage(state, out, PageEnd::FormFeed, next);
        break;
    case CommandKind::PageLength:
        // A page length after printing or feeding starts a new form.
        if (state->pageUsed) {
            endPage(state, out, PageEnd::PageLength, next);
            c->page = static_cast<int>(out->pages.size()) - 1;
        }
        state->hasLength = true;
        state->length = c->args[0];
        state->page.hasLength = true;
        state->page.length = c->args[0];
        break;
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
        state->x = static_cast<int64_t>(c->args[0]) * (kUnitsPerInch / printer.positionDpi);
        break;
    case CommandKind::BitImage:
        addImage(state, bytes, c);
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
    return static_cast<int64_t>(page.length) * kUnitsPerInch / printer.pageDpi;
}
