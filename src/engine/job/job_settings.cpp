#include "engine/job/job_settings.h"

namespace impact {

PrinterUnits unitsOf(PrinterClass printerClass)
{
    return printerClass == PrinterClass::NinePin ? kUnitsNinePin : kUnitsTwentyFourPin;
}

void setPaperHandling(JobSettings* settings, PaperSource source, bool rollPaperSaving, bool tearOff)
{
    const bool roll = source == PaperSource::RollPaper;
    const bool continuous = roll || source == PaperSource::Tractor || source == PaperSource::TractorFront;
    settings->pageEnd = roll && rollPaperSaving ? PageEnd::RollPaperAdvance : PageEnd::FormFeed;
    if (!tearOff || !continuous)
        settings->jobEnd = JobEnd::Reset;
    else
        settings->jobEnd = roll && rollPaperSaving ? JobEnd::TearOffRollPaperSaving : JobEnd::TearOff;
}

} // namespace impact
