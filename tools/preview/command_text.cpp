#include <cstdio>
#include <string>

#include "impact_decode.h"

namespace {

// n/dpi inch as "n/dpi in (x.xxx in)".
std::string inches(uint32_t n, uint32_t dpi)
{
    char text[64];
    std::snprintf(text, sizeof text, "%u/%u in (%.3f in)", n, dpi, dpi == 0 ? 0.0 : static_cast<double>(n) / dpi);
    return text;
}

std::string printable(uint32_t b)
{
    char text[16];
    if (b >= 0x21 && b < 0x7F)
        std::snprintf(text, sizeof text, "'%c'", static_cast<char>(b));
    else
        std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

} // namespace

std::string describeError(const DecodedStream& stream)
{
    return "offset " + std::to_string(stream.errorOffset) + ": " + stream.error;
}

std::string describeCommand(const Command& c, const DecodedStream& stream)
{
    const PrinterClass& p = stream.printer;
    std::string name;
    std::string what;
    switch (c.kind) {
    case CommandKind::Nul:
        name = "NUL";
        what = "x" + std::to_string(c.args[0]);
        break;
    case CommandKind::PacketModeExit:
        name = "ESC 0x01";
        what = "packet-mode exit (@ZRP 1284.4)";
        if (c.args[0] == 0)
            what += ", without the leading NULs";
        break;
    case CommandKind::Reset:
        name = "ESC @";
        what = "reset";
        break;
    case CommandKind::CarriageReturn:
        name = "CR";
        what = "carriage return";
        break;
    case CommandKind::FormFeed:
        name = "FF";
        what = "form feed, end of page " + std::to_string(c.page + 1);
        break;
    case CommandKind::Pitch:
        name = "ESC P";
        what = "pitch";
        break;
    case CommandKind::Speed:
        name = "FS x";
        what = "speed " + std::to_string(c.args[0]);
        break;
    case CommandKind::Direction:
        name = "ESC U";
        what = "direction " + std::to_string(c.args[0]) + (c.args[0] != 0 ? " (one way)" : " (both ways)");
        break;
    case CommandKind::Unit:
        name = "ESC ( U";
        what = "unit " + std::to_string(c.args[0]);
        break;
    case CommandKind::PageLength:
        name = "ESC ( C";
        what = "page length " + inches(c.args[0], p.pageDpi);
        if (c.page >= 0 && c.page < static_cast<int>(stream.pages.size()) &&
            stream.pages[c.page].end == PageEnd::PageLength && stream.pages[c.page].endOffset == c.offset + c.length)
            what += ", end of page " + std::to_string(c.page + 1) + " (new form)";
        break;
    case CommandKind::PageFormat:
        name = "ESC ( c";
        what = "page format top " + inches(c.args[0], p.pageDpi) + " bottom " + inches(c.args[1], p.pageDpi);
        break;
    case CommandKind::Feed:
        name = "ESC J";
        what = "feed " + inches(c.args[0], p.feedDpi);
        break;
    case CommandKind::Position:
        name = "ESC $";
        what = "position " + inches(c.args[0], p.positionDpi);
        break;
    case CommandKind::BitImage: {
        name = "ESC *";
        BitImageMode info{};
        lookupBitImageMode(static_cast<uint8_t>(c.args[0]), &info);
        what = "bit image mode " + std::to_string(c.args[0]) + ": " + std::to_string(c.args[1]) + " columns x " +
               std::to_string(c.args[2]) + " bytes, " + std::to_string(info.dotsPerColumn) + " dots, " +
               std::to_string(info.density) + " dpi, " + std::to_string(c.length - 5) + " data bytes";
        if (c.page >= 0 && c.image >= 0 && c.page < static_cast<int>(stream.pages.size())) {
            const BitImage& image = stream.pages[c.page].images[c.image];
            char where[96];
            std::snprintf(where, sizeof where, ", %llu dots at x %.4f in y %.4f in",
                          static_cast<unsigned long long>(imageDotCount(image)),
                          static_cast<double>(image.x) / kUnitsPerInch, static_cast<double>(image.y) / kUnitsPerInch);
            what += where;
        }
        break;
    }
    case CommandKind::PaperHandling:
        name = "ESC 0x19";
        what = "paper handling " + printable(c.args[0]);
        break;
    }
    char head[48];
    std::snprintf(head, sizeof head, "%8zu  %-9s ", c.offset, name.c_str());
    return head + what;
}
