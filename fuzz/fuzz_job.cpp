// Fuzz target: a whole job, in process. The input's first byte picks the
// printer description, the options text and how the output behaves; the
// rest is the raster stream the filter reads.
//   byte 0: bits 0-1 PPD, bits 2-4 options text, bits 5-7 output
#include <cstdint>
#include <cstdlib>
#include <string>

#include "filter/job_run.h"
#include "fuzz_support.h"

#ifndef IMPACT_FUZZ_PPD_DIR
#error "IMPACT_FUZZ_PPD_DIR must name the fuzz PPD folder"
#endif

namespace {

const char* const kPpds[4] = {
    IMPACT_FUZZ_PPD_DIR "/impact24.ppd",
    IMPACT_FUZZ_PPD_DIR "/impact9-options.ppd",
    IMPACT_FUZZ_PPD_DIR "/impact24-roll.ppd",
    IMPACT_FUZZ_PPD_DIR "/impact24-wide.ppd",
};

const char* const kOptions[8] = {
    "",
    "KXSpeed=High KXPrintDirection=UniOn",
    "PageSize=A4 KXTopMP=Driver KXPackMode=Auto",
    "InputSlot=Tractor KXTearOff=On",
    "InputSlot=RollPaperSpecial KXSvRP=Off",
    "PageSize=Label KXSpeed=Normal",
    "PageSize=Huge",
    "PageSize=Tiny InputSlot=CutSheet KXTearOff=Off",
};

int gInput = -1;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (gInput < 0 && (gInput = memoryFile("raster")) < 0)
        std::abort();
    const uint8_t selector = data[0];
    setenv("PPD", kPpds[selector & 3], 1);
    const uint8_t output = selector >> 5;
    installFuzzOutput(output == 6 ? OutputKind::Partial : output == 7 ? OutputKind::FailLater : OutputKind::Discard);

    refillMemoryFile(gInput, data + 1, size - 1);
    runJob(gInput, kOptions[(selector >> 2) & 7]);
    setOutputStream(nullptr);
    return 0;
}
