#include <cstdio>
#include <string>
#include <vector>

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

std::string fixedPoint(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// "Total 12,50 €" (5 characters, 10 cpi draft, PC858, at x 0.500 in y 1.000 in)
std::string describeText(const Command& c, const DecodedStream& stream)
{
    if (c.page < 0 || c.page >= static_cast<int>(stream.pages.size()) || c.args[2] == 0)
        return std::to_string(c.args[0]) + " bytes, nothing printed";
    const std::vector<TextChar>& chars = stream.pages[c.page].chars;
    std::string text = "\"";
    for (uint32_t i = c.args[1]; i < c.args[1] + c.args[2] && i < chars.size(); ++i) {
        const uint32_t cp = chars[i].codepoint;
        if (cp == '"' || cp == '\\')
            text.push_back('\\');
        appendUtf8(cp, &text);
    }
    const TextChar& first = chars[c.args[1]];
    const std::string pitch = first.width == 126   ? "17.14"
                              : first.width == 108 ? "20"
                                                   : std::to_string(kUnitsPerInch / first.width);
    text += "\" (" + std::to_string(c.args[2]) + " characters, " + pitch + " cpi " +
            (first.quality != 0 ? "letter quality" : "draft") + ", " + codeTableName(first.table) + ", at x " +
            fixedPoint(static_cast<double>(first.x) / kUnitsPerInch, 3) + " in y " +
            fixedPoint(static_cast<double>(first.y) / kUnitsPerInch, 3) + " in)";
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
        name = c.args[0] == 10 ? "ESC P" : c.args[0] == 12 ? "ESC M" : "ESC g";
        what = "pitch " + std::to_string(c.args[0]) + " cpi";
        break;
    case CommandKind::LineFeed:
        name = "LF";
        what = "line feed";
        break;
    case CommandKind::Tab:
        name = "HT";
        what = "tab";
        break;
    case CommandKind::Text:
        name = "text";
        what = describeText(c, stream);
        break;
    case CommandKind::Condensed:
        name = c.length == 2 ? "ESC SI" : c.args[0] != 0 ? "SI" : "DC2";
        what = c.args[0] != 0 ? "condensed" : "condensed off";
        break;
    case CommandKind::Quality:
        name = "ESC x";
        what = c.args[0] == 0 || c.args[0] == '0' ? "draft" : "letter quality";
        break;
    case CommandKind::LineSpacing: {
        const char letter[2] = {static_cast<char>(c.args[0]), '\0'};
        name = std::string("ESC ") + letter;
        const uint32_t units = lineSpacingUnits(c, p);
        what = "line spacing " + inches(units, static_cast<uint32_t>(kUnitsPerInch)) + ", " +
               fixedPoint(static_cast<double>(kUnitsPerInch) / units, 2) + " lines per inch";
        break;
    }
    case CommandKind::LeftMargin:
        name = "ESC l";
        what = "left margin " + std::to_string(c.args[0]) + " columns";
        break;
    case CommandKind::RightMargin:
        name = "ESC Q";
        what = "right margin " + std::to_string(c.args[0]) + " columns";
        break;
    case CommandKind::UpperControls:
        name = c.args[0] != 0 ? "ESC 6" : "ESC 7";
        what = c.args[0] != 0 ? "80-9F print" : "80-9F are control codes";
        break;
    case CommandKind::International:
        name = "ESC R";
        what = "character set " + std::to_string(c.args[0]) + (c.args[0] == 0 ? " (USA)" : "");
        break;
    case CommandKind::SelectTable:
        name = "ESC t";
        what = "character table slot " + std::to_string(c.args[0] < 4 ? c.args[0] : c.args[0] - '0');
        break;
    case CommandKind::AssignTable:
        name = "ESC ( t";
        what = "slot " + std::to_string(c.args[0]) + " holds " + codeTableName(codeTableFor(c.args[1], c.args[2])) +
               " (" + std::to_string(c.args[1]) + " " + std::to_string(c.args[2]) + ")";
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
        [[fallthrough]];
    case CommandKind::PageLengthLines:
        if (c.kind == CommandKind::PageLengthLines) {
            name = "ESC C";
            what = c.args[0] != 0 ? "page length " + std::to_string(c.args[0]) + " lines"
                                  : "page length " + std::to_string(c.args[1]) + " inches";
        }
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
