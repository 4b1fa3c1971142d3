#include "engine/printer/job_start.h"

#include "engine/output/job_report.h"
#include "engine/printer/printer_commands.h"
#include "engine/printer/unit_scaling.h"

namespace impact {

bool sendJobStart(const JobState* state, const PageMetrics* metrics)
{
    if (state == nullptr || metrics == nullptr || state->units.baseDpi == 0 || state->units.pageDpi == 0)
        return false;
    const OutputStream* out = &state->host.printer;
    const JobSettings& settings = state->settings;
    const uint16_t baseDpi = state->units.baseDpi;
    const uint16_t pageDpi = state->units.pageDpi;
    bool ok = true;

    if (settings.packetModeExit)
        ok &= exitPacketMode(out);
    ok &= resetPrinter(out);
    ok &= carriageReturn(out);
    ok &= selectTenCpi(out);
    if (settings.speedCommand && settings.speed != PrintSpeed::PrinterSetting)
        ok &= selectSpeed(out, settings.speed == PrintSpeed::High ? 1 : 0);
    if (settings.direction != PrintDirection::PrinterSetting)
        ok &= selectDirection(out, settings.direction == PrintDirection::Unidirectional);

    ok &= setUnit(out, kUnitTenths360);
    ok &= setPageLength(out, static_cast<uint16_t>(scaleRoundFloat(metrics->length, baseDpi, pageDpi)));
    if (settings.margins == MarginOwner::Driver)
        ok &= setPageFormat(out, static_cast<uint16_t>(scaleRoundFloat(metrics->top, baseDpi, pageDpi)),
                            static_cast<uint16_t>(scaleRoundFloat(metrics->bottom, baseDpi, pageDpi)));

    if (!ok)
        sendReport(&state->host.reports, ReportKind::OutputFailed);
    return ok;
}

} // namespace impact
