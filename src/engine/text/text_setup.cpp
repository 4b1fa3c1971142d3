#include "engine/text/text_setup.h"

#include "engine/printer/printer_commands.h"

namespace impact {

namespace {

// The registration numbers ESC ( t takes for the character tables.
struct TableCode {
    uint8_t d2, d3;
};

TableCode tableCode(CharTable table)
{
    switch (table) {
    case CharTable::Pc850:
        return {3, 0};
    case CharTable::Pc858:
        return {13, 0};
    case CharTable::Pc852:
        return {10, 0};
    case CharTable::Pc437:
        break;
    }
    return {1, 0};
}

bool selectPitch(const OutputStream* out, TextPitch pitch)
{
    switch (pitch) {
    case TextPitch::Cpi12:
        return selectTwelveCpi(out);
    case TextPitch::Cpi15:
        return selectFifteenCpi(out);
    case TextPitch::Cpi17: {
        const bool ten = selectTenCpi(out);
        return selectCondensed(out) && ten;
    }
    case TextPitch::Cpi10:
        break;
    }
    return selectTenCpi(out);
}

constexpr uint8_t kUsaCharacterSet = 0;
constexpr uint8_t kTableSlot = 1;

} // namespace

bool sendTextSetup(const OutputStream* out, const TextSetup* setup)
{
    const TableCode code = tableCode(setup->table);
    bool ok = selectLetterQuality(out, setup->quality == TextQuality::Letter);
    ok &= selectPitch(out, setup->pitch);
    ok &= setup->spacing == LineSpacing::Lpi8 ? selectEightLpi(out) : selectSixLpi(out);
    ok &= selectCharacterSet(out, kUsaCharacterSet);
    ok &= printUpperCodes(out);
    ok &= assignCharacterTable(out, kTableSlot, code.d2, code.d3);
    ok &= selectCharacterTable(out, kTableSlot);
    ok &= setLeftMargin(out, setup->leftColumn);
    ok &= setRightMargin(out, setup->rightColumn);
    return ok;
}

bool sendPaperFeed(const OutputStream* out, uint32_t steps)
{
    bool ok = true;
    while (steps > 0) {
        const uint8_t n = steps > kMaxFeedSteps ? kMaxFeedSteps : static_cast<uint8_t>(steps);
        ok &= feedPaper(out, n);
        steps -= n;
    }
    return ok;
}

} // namespace impact
