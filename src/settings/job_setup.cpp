#include "settings/job_setup.h"

#include <cstdlib>

#include <cups/cups.h>
#include <cups/ppd.h>

#include "filter/raster_input.h"
#include "output/status_messages.h"
#include "printer/page_end.h"
#include "settings/option_table.h"

namespace {

// The value of an attribute that is present with a value, or null.
const char* attributeValue(ppd_file_t* ppd, const char* name)
{
    ppd_attr_t* attr = ppdFindAttr(ppd, name, nullptr);
    if (attr == nullptr || attr->value == nullptr || attr->value[0] == '\0')
        return nullptr;
    return attr->value;
}

StatusCode readPpd(JobState* state, ppd_file_t* ppd, const char* optionsText)
{
    ppdMarkDefaults(ppd);

    cups_option_t* options = nullptr;
    int optionCount = cupsParseOptions(optionsText, 0, &options);
    if (cupsMarkOptions(ppd, optionCount, options) == 1) {
        statusLine(kOptionsConflict);
        cupsFreeOptions(optionCount, options);
        return 22;
    }
    StatusCode status = captureOptions(ppd);
    cupsFreeOptions(optionCount, options);
    if (status != 0)
        return status;

    switch (ppd->model_number) {
    case 1:
        state->units = kUnitsModel1;
        break;
    case 0:
        state->units = kUnitsModel0;
        break;
    default:
        statusLine(kPrinterNotSupported);
        return 22;
    }

    ppd_size_t* size = ppdPageSize(ppd, nullptr);
    if (size == nullptr) {
        const char* name = optionLookup("PageSize");
        if (name != nullptr)
            size = ppdPageSize(ppd, name);
    }
    if (size == nullptr) {
        statusLine(kPageSizeError);
        return -1;
    }
    state->pageCount = 0;
    state->pageSize = *size;

    if (const char* value = attributeValue(ppd, "KXSpPseBmp"))
        state->graphicsFlags = static_cast<uint16_t>(attributeNumber(value));
    if (const char* value = attributeValue(ppd, "KXSpPseFsx"))
        state->speedCommandEnabled = static_cast<uint8_t>(attributeNumber(value));
    return 0;
}

} // namespace

long attributeNumber(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

StatusCode setupJob(JobState* state, const char* optionsText, int descriptor)
{
    if (state == nullptr || optionsText == nullptr)
        return 22;
    clearOptions();
    const char* ppdPath = std::getenv("PPD");
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        statusLine(kPpdReadError);
        return 2;
    }
    StatusCode status = readPpd(state, ppd, optionsText);
    if (status == 0) {
        state->raster = openRasterInput(descriptor);
        if (state->raster == nullptr) {
            statusLine(kRasterOpenError);
            status = 5;
        }
    }
    ppdClose(ppd);
    return status;
}

StatusCode teardownJob(JobState* state)
{
    if (state == nullptr)
        return 22;
    StatusCode jobEnd = sendJobEnd();
    if (state->lineBuffer != nullptr) {
        std::free(state->lineBuffer);
        state->lineBuffer = nullptr;
        state->bandBuffer = nullptr;
        state->bufferCapacity = 0;
    }
    if (state->raster != nullptr) {
        cupsRasterClose(state->raster);
        state->raster = nullptr;
    }
    return jobEnd != 0 ? 5 : 0;
}
