#include "engine/job/job_setup.h"

#include <cstdlib>

#include <cups/cups.h>
#include <cups/ppd.h>

#include "engine/output/status_messages.h"
#include "engine/job/option_table.h"

namespace impact {

namespace {

// The value of an attribute that is present with a value, or null.
const char* attributeValue(ppd_file_t* ppd, const char* name)
{
    ppd_attr_t* attr = ppdFindAttr(ppd, name, nullptr);
    if (attr == nullptr || attr->value == nullptr || attr->value[0] == '\0')
        return nullptr;
    return attr->value;
}

} // namespace

StatusCode setupJobFromPpd(JobState* state, ppd_file_t* ppd, const char* optionsText)
{
    ppdMarkDefaults(ppd);

    cups_option_t* options = nullptr;
    int optionCount = cupsParseOptions(optionsText, 0, &options);
    if (cupsMarkOptions(ppd, optionCount, options) == 1) {
        statusLine(&state->host.status, kOptionsConflict);
        cupsFreeOptions(optionCount, options);
        return 22;
    }
    StatusCode status = captureOptions(&state->options, ppd);
    cupsFreeOptions(optionCount, options);
    if (status != 0)
        return status;

    if (!unitsForModel(ppd->model_number, &state->units)) {
        statusLine(&state->host.status, kPrinterNotSupported);
        return 22;
    }

    ppd_size_t* size = ppdPageSize(ppd, nullptr);
    if (size == nullptr) {
        const char* name = optionLookup(&state->options, "PageSize");
        if (name != nullptr)
            size = ppdPageSize(ppd, name);
    }
    if (size == nullptr) {
        statusLine(&state->host.status, kPageSizeError);
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

long attributeNumber(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

int unitsForModel(int modelNumber, PrinterUnits* units)
{
    switch (modelNumber) {
    case 1:
        *units = kUnitsModel1;
        return 1;
    case 0:
        *units = kUnitsModel0;
        return 1;
    default:
        return 0;
    }
}

StatusCode setupJob(JobState* state, const char* optionsText, const char* ppdPath, const RasterSource* source)
{
    if (state == nullptr || optionsText == nullptr)
        return 22;
    ppd_file_t* ppd = ppdPath != nullptr ? ppdOpenFile(ppdPath) : nullptr;
    if (ppd == nullptr) {
        statusLine(&state->host.status, kPpdReadError);
        return 2;
    }
    StatusCode status = setupJobFromPpd(state, ppd, optionsText);
    if (status == 0) {
        state->raster = source != nullptr && source->read != nullptr
                            ? cupsRasterOpenIO(source->read, source->context, CUPS_RASTER_READ)
                            : nullptr;
        if (state->raster == nullptr) {
            statusLine(&state->host.status, kRasterOpenError);
            status = 5;
        }
    }
    ppdClose(ppd);
    return status;
}

StatusCode configureJob(JobState* state, const JobConfig* config)
{
    if (state == nullptr || config == nullptr)
        return 22;
    if (!unitsForModel(config->modelNumber, &state->units))
        return 22;
    state->pageCount = 0;
    state->pageSize = config->pageSize;
    state->graphicsFlags = config->graphicsFlags;
    state->speedCommandEnabled = config->speedCommandEnabled;
    return 0;
}

} // namespace impact
