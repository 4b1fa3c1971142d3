// Fuzz target: a plain-text job, in process. The input's first two bytes
// pick the printer, the page, the text settings and how the output behaves;
// the rest is the document, handed over in pieces of growing size so that
// characters and line ends fall across pieces.
//   byte 0: bit 0 printer class, bits 1-2 page, bits 3-4 charset, bits 5-7 output
//           (1 and 2 with the margins from the page size)
//   byte 1: bits 0-1 pitch, bit 2 spacing, bits 3-4 table, bit 5 no wrap,
//           bit 6 draft, bit 7 offsets
#include <cstdint>

#include "engine/job/job_setup.h"
#include "engine/text/text_job.h"
#include "fuzz_support.h"

using namespace impact;

namespace {

// Points: a 6-inch form, A4, a tiny label and the widest carriage.
constexpr PageGeometry kPages[4] = {
    {612, 432, 9, 18, 603, 423},
    {595, 842, 9, 18, 586, 833},
    {72, 72, 9, 18, 63, 63},
    {1080, 1584, 9, 18, 1071, 1575},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t printer = data[0], text = data[1];
    JobSettings settings{};
    settings.printerClass = (printer & 1) ? PrinterClass::NinePin : PrinterClass::TwentyFourPin;
    settings.page = kPages[(printer >> 1) & 3];
    const uint8_t output = printer >> 5;
    settings.margins = output == 1 || output == 2 ? MarginOwner::Driver : MarginOwner::Printer;
    FuzzSink sink;
    const JobHost host = fuzzHost(printer, &sink);
    JobState job;
    initJobState(&job, &host);
    if (configureJob(&job, &settings) != JobResult::Success)
        return 0;

    TextSettings textSettings;
    textSettings.charset = static_cast<InputCharset>((printer >> 3) & 3);
    textSettings.pitch = static_cast<TextPitch>(text & 3);
    textSettings.spacing = (text & 4) ? LineSpacing::Lpi8 : LineSpacing::Lpi6;
    textSettings.table = static_cast<CharTable>((text >> 3) & 3);
    textSettings.wrap = (text & 0x20) == 0;
    textSettings.quality = (text & 0x40) ? TextQuality::Draft : TextQuality::Letter;
    if (text & 0x80) {
        textSettings.leftPoints = 700;
        textSettings.topPoints = 700;
    }
    TextJob textJob;
    startTextJob(&textJob, &job, &textSettings);
    size_t at = 2, piece = 1;
    while (at < size) {
        const size_t n = piece < size - at ? piece : size - at;
        writeText(&textJob, data + at, n);
        at += n;
        piece = piece * 3 + 1;
    }
    finishTextJob(&textJob);
    return 0;
}
