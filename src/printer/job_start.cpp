#include "printer/job_start.h"

#include <cstring>

#include "output/status_messages.h"
#include "printer/unit_scaling.h"
#include "settings/option_table.h"

namespace {

// Takes an IEEE 1284.4 printer out of packet mode.
const unsigned char kPacketModeExit[27] = {
    0x00, 0x00, 0x00, 0x1B, 0x01,
    '@', 'Z', 'R', 'P', ' ', '1', '2', '8', '4', '.', '4', '\n',
    '@', 'Z', 'R', 'P', ' ', ' ', ' ', ' ', ' ', '\n',
};

void putLe16(unsigned char* out, uint32_t value)
{
    out[0] = static_cast<unsigned char>(value & 0xFF);
    out[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

} // namespace

StatusCode sendJobStart(const PageMetrics* metrics, uint16_t baseDpi, uint16_t pageDpi, int32_t speedArg,
                        uint8_t speedCommandEnabled)
{
    if (metrics == nullptr || baseDpi == 0 || pageDpi == 0)
        return 22;
    int failed = 0;

    if (optionEquals("KXPackMode", "Auto"))
        failed |= writeAll(kPacketModeExit, sizeof kPacketModeExit);

    failed |= writeFormatted("%c%s", ESC, "@");
    const unsigned char cr = 0x0D;
    failed |= writeAll(&cr, 1);
    failed |= writeFormatted("%c%s", ESC, "P");

    if (speedCommandEnabled != 0 && speedArg != -1) {
        const unsigned char n = static_cast<unsigned char>(speedArg);
        failed |= writeFormatted("%c%s", FS, "x");
        failed |= writeAll(&n, 1);
    }

    const char* direction = optionLookup("KXPrintDirection");
    if (direction != nullptr && std::strcmp(direction, "Default") != 0) {
        const unsigned char n = std::strstr(direction, "UniOn") != nullptr ? 1 : 0;
        failed |= writeFormatted("%c%s", ESC, "U");
        failed |= writeAll(&n, 1);
    }

    const unsigned char unit[4] = {0x01, 0x00, 0x0A};
    failed |= writeFormatted("%c%s", ESC, "(U");
    failed |= writeAll(unit, 3);

    unsigned char length[4] = {0x02, 0x00};
    putLe16(length + 2, scaleRoundFloat(metrics->length, baseDpi, pageDpi));
    failed |= writeFormatted("%c%s", ESC, "(C");
    failed |= writeAll(length, 4);

    if (optionEquals("KXTopMP", "Driver")) {
        unsigned char format[6] = {0x04, 0x00};
        putLe16(format + 2, scaleRoundFloat(metrics->top, baseDpi, pageDpi));
        putLe16(format + 4, scaleRoundFloat(metrics->bottom, baseDpi, pageDpi));
        failed |= writeFormatted("%c%s", ESC, "(c");
        failed |= writeAll(format, 6);
    }

    if (failed) {
        statusLine(kOutputError);
        return 1;
    }
    return 0;
}
