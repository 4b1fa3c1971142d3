#include "printer_app/raster_driver.h"

#include <cstring>

bool rasterStartJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*)
{
    // Raster's grey pages of another size than the job's overrun PAPPL's
    // line buffer; images come out squeezed.
    const char* format = papplJobGetFormat(job);
    const bool raster =
        format != nullptr && (std::strcmp(format, "image/pwg-raster") == 0 || std::strcmp(format, "image/urf") == 0);
    papplJobSetMessage(job, raster ? "Raster documents are printed when sent with Print-Job, not Send-Document."
                                   : "Documents of this format cannot be printed with this version of PAPPL.");
    return false;
}

bool rasterStartPage(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned)
{
    return false;
}

bool rasterWriteLine(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned, const unsigned char*)
{
    return false;
}

bool rasterEndPage(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned)
{
    return false;
}

bool rasterEndJob(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*)
{
    return false;
}
