#include "engine/printer/job_start.h"

#include <cstring>

#include "engine/output/status_messages.h"
#include "engine/printer/unit_scaling.h"
#include "engine/job/option_table.h"

namespace impact {

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

StatusCode sendJobStart(const JobState* state, const PageMetrics* metrics, uint16_t baseDpi, uint16_t pageDpi,
                        int32_t speedArg, uint8_t speedCommandEnabled)
{
    if (state == nullptr || metrics == nullptr || baseDpi == 0 || pageDpi == 0)
        return 22;
    const OutputStream* out = &state->host.printer;
    const OptionTable* options = &state->options;
    int failed = 0;

    if (optionEquals(options, "KXPackMode", "Auto"))
        failed |= writeAll(out, kPacketModeExit, sizeof kPacketModeExit);

    failed |= writeFormatted(out, "%c%s", ESC, "@");
    const unsigned char cr = 0x0D;
    failed |= writeAll(out, &cr, 1);
    failed |= writeFormatted(out, "%c%s", ESC, "P");

    if (speedCommandEnabled != 0 && speedArg != -1) {
        const unsigned char n = static_cast<unsigned char>(speedArg);
        failed |= writeFormatted(out, "%c%s", FS, "x");
        failed |= writeAll(out, &n, 1);
    }

    const char* direction = optionLookup(options, "KXPrintDirection");
    if (direction != nullptr && std::strcmp(direction, "Default") != 0) {
        const unsigned char n = std::strstr(direction, "UniOn") != nullptr ? 1 : 0;
        failed |= writeFormatted(out, "%c%s", ESC, "U");
        failed |= writeAll(out, &n, 1);
    }

    const unsigned char unit[4] = {0x01, 0x00, 0x0A};
    failed |= writeFormatted(out, "%c%s", ESC, "(U");
    failed |= writeAll(out, unit, 3);

    unsigned char length[4] = {0x02, 0x00};
    putLe16(length + 2, scaleRoundFloat(metrics->length, baseDpi, pageDpi));
    failed |= writeFormatted(out, "%c%s", ESC, "(C");
    failed |= writeAll(out, length, 4);

    if (optionEquals(options, "KXTopMP", "Driver")) {
        unsigned char format[6] = {0x04, 0x00};
        putLe16(format + 2, scaleRoundFloat(metrics->top, baseDpi, pageDpi));
        putLe16(format + 4, scaleRoundFloat(metrics->bottom, baseDpi, pageDpi));
        failed |= writeFormatted(out, "%c%s", ESC, "(c");
        failed |= writeAll(out, format, 6);
    }

    if (failed) {
        statusLine(&state->host.status, kOutputError);
        return 1;
    }
    return 0;
}

} // namespace impact
