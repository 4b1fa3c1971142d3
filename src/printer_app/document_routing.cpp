#include "printer_app/document_routing.h"

#include <cstring>

#include <pthread.h>

namespace {

// The first fields of PAPPL 1.3.1's job record (its job-private.h). The
// document format is otherwise set by PAPPL alone; the other fields are
// compared with what PAPPL's accessors return before the format is
// touched, so another layout leaves the job as it is.
struct PapplJobHead {
    pthread_rwlock_t rwlock;
    pappl_system_t* system;
    pappl_printer_t* printer;
    int jobId;
    const char* name;
    const char* username;
    const char* format;
};

// The application's format for a document PAPPL reads itself, or null.
const char* ownFormat(const char* format)
{
    if (format == nullptr)
        return nullptr;
    if (std::strcmp(format, "image/pwg-raster") == 0 || std::strcmp(format, "image/urf") == 0)
        return kSpooledRasterFormat;
    if (std::strcmp(format, "image/png") == 0 || std::strcmp(format, "image/jpeg") == 0)
        return kSpooledImageFormat;
    return nullptr;
}

// Gives the job the application's own format for its document.
bool route(pappl_job_t* job, bool raster)
{
    const char* format = ownFormat(papplJobGetFormat(job));
    if (format == nullptr || (!raster && format == kSpooledRasterFormat))
        return false;
    auto* head = reinterpret_cast<PapplJobHead*>(job);
    if (head->system == nullptr || head->printer != papplJobGetPrinter(job) || head->jobId != papplJobGetID(job) ||
        head->name != papplJobGetName(job) || head->username != papplJobGetUsername(job) ||
        head->format != papplJobGetFormat(job))
        return false;
    head->format = format;
    return true;
}

} // namespace

bool routeDocument(pappl_job_t* job)
{
    return route(job, true);
}

bool routeSentImage(pappl_job_t* job)
{
    return route(job, false);
}
