// Fuzz target: a whole job, in process. The input's first byte picks the
// printer description, the options text and how the output behaves; the
// rest is the raster stream the filter reads.
//   byte 0: bits 0-1 PPD, bits 2-4 options text, bits 5-7 output
#include <cstdint>
#include <cstdlib>
#include <string>

#include "filter/filter_job.h"
#include "engine/job/memory_raster.h"
#include "fuzz_support.h"

using namespace impact;

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t selector = data[0];
    FuzzSink sink;
    const JobHost host = fuzzHost(selector, &sink);
    JobState job;
    initJobState(&job, &host);
    MemoryRaster raster = {data + 1, size - 1, 0};
    const RasterSource source = memoryRasterSource(&raster);
    runFilterJob(&job, kOptions[(selector >> 2) & 7], kPpds[selector & 3], &source);
    return 0;
}
