#include "engine/printer/job_start.h"

#include <cstring>

#include "engine/output/status_messages.h"
#include "engine/printer/printer_commands.h"
#include "engine/printer/unit_scaling.h"
#include "engine/job/option_table.h"

namespace impact {

StatusCode sendJobStart(const JobState* state, const PageMetrics* metrics, uint16_t baseDpi, uint16_t pageDpi,
                        int32_t speedArg, uint8_t speedCommandEnabled)
{
    if (state == nullptr || metrics == nullptr || baseDpi == 0 || pageDpi == 0)
        return 22;
    const OutputStream* out = &state->host.printer;
    const OptionTable* options = &state->options;
    bool ok = true;

    if (optionEquals(options, "KXPackMode", "Auto"))
        ok &= exitPacketMode(out);
    ok &= resetPrinter(out);
    ok &= carriageReturn(out);
    ok &= selectTenCpi(out);
    if (speedCommandEnabled != 0 && speedArg != -1)
        ok &= selectSpeed(out, static_cast<uint8_t>(speedArg));

    const char* direction = optionLookup(options, "KXPrintDirection");
    if (direction != nullptr && std::strcmp(direction, "Default") != 0)
        ok &= selectDirection(out, std::strstr(direction, "UniOn") != nullptr);

    ok &= setUnit(out, kUnitTenths360);
    ok &= setPageLength(out, static_cast<uint16_t>(scaleRoundFloat(metrics->length, baseDpi, pageDpi)));
    if (optionEquals(options, "KXTopMP", "Driver"))
        ok &= setPageFormat(out, static_cast<uint16_t>(scaleRoundFloat(metrics->top, baseDpi, pageDpi)),
                            static_cast<uint16_t>(scaleRoundFloat(metrics->bottom, baseDpi, pageDpi)));

    if (!ok) {
        statusLine(&state->host.status, kOutputError);
        return 1;
    }
    return 0;
}

} // namespace impact
