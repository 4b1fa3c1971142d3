// PAPPL 1.3.1 keeps a printer's completed jobs for good. Its clean-up is
// meant to keep the newest ones up to the printer's limit (100), letting the
// history run over for jobs that ended in the last minute, but it walks the
// history from the newest job and stops at the first that ended less than a
// minute before: when it runs, a minute after a job ended, that job is the
// newest and not quite a minute old, so nothing is ever removed. Every job
// stays in memory, and in the state file PAPPL writes out whole at every
// change. Here the history is trimmed as PAPPL means to: the oldest
// completed jobs beyond the limit go once they ended a minute ago.
//
// PAPPL has no call that removes a completed job, so this reaches into its
// printer record (the layout of PAPPL 1.3.1's printer-private.h up to the
// job lists), and does what PAPPL's own clean-up does there. The record is
// compared with what PAPPL's accessors say first; a printer whose record
// does not match is left alone.
#include "printer_app/job_history.h"

#include <pthread.h>

#include <ctime>

#include <cups/array.h>

// PAPPL's own: marks its state as changed, to be saved.
extern "C" void _papplSystemConfigChanged(pappl_system_t* system);

namespace {

constexpr int kGraceSeconds = 60;  // a job's final state stays for a client this long
constexpr int kIntervalSeconds = 10;

struct PapplPrinterHead {
    pthread_rwlock_t rwlock;
    pappl_system_t* system;
    int printerId;
    char *name, *dnsSdName, *location, *geoLocation, *organization, *orgUnit;
    pappl_contact_t contact;
    char* resource;
    size_t resourceLength;
    char* uriName;
    ipp_pstate_t state;
    pappl_preason_t stateReasons;
    time_t stateTime;
    bool isAccepting, isStopped, isDeleted;
    char *deviceId, *deviceUri;
    pappl_device_t* device;
    bool deviceInUse;
    char* driverName;
    pappl_pr_driver_data_t driverData;
    ipp_t* driverAttrs;
    int numReady;
    ipp_t* attrs;
    time_t startTime, configTime, statusTime;
    char* printGroup;
    gid_t printGid;
    int numSupply;
    pappl_supply_t supply[PAPPL_MAX_SUPPLY];
    pappl_job_t* processingJob;
    bool holdNewJobs;
    int maxActiveJobs, maxCompletedJobs, maxPreservedJobs;
    cups_array_t *activeJobs, *allJobs, *completedJobs;
    int nextJobId;
};

// The record matches what the accessors return. Called with the printer
// locked.
bool recordMatches(pappl_printer_t* printer, const PapplPrinterHead* head)
{
    return head->system == papplPrinterGetSystem(printer) && head->printerId == papplPrinterGetID(printer) &&
           head->maxActiveJobs == papplPrinterGetMaxActiveJobs(printer) &&
           head->maxCompletedJobs == papplPrinterGetMaxCompletedJobs(printer) &&
           head->maxPreservedJobs == papplPrinterGetMaxPreservedJobs(printer) &&
           head->nextJobId == papplPrinterGetNextJobID(printer) && head->activeJobs != nullptr &&
           head->allJobs != nullptr && head->completedJobs != nullptr &&
           static_cast<int>(cupsArrayCount(head->completedJobs)) == papplPrinterGetNumberOfCompletedJobs(printer) &&
           static_cast<int>(cupsArrayCount(head->allJobs)) == papplPrinterGetNumberOfJobs(printer);
}

void trimPrinter(pappl_printer_t* printer, void* data)
{
    auto* trimmed = static_cast<int*>(data);
    auto* head = reinterpret_cast<PapplPrinterHead*>(printer);
    const time_t before = std::time(nullptr) - kGraceSeconds;
    pthread_rwlock_wrlock(&head->rwlock);
    if (recordMatches(printer, head) && head->maxCompletedJobs > 0) {
        // The list is sorted newest first: its last job is the oldest.
        while (static_cast<int>(cupsArrayCount(head->completedJobs)) > head->maxCompletedJobs) {
            auto* oldest = static_cast<pappl_job_t*>(cupsArrayLast(head->completedJobs));
            if (oldest == nullptr || papplJobGetTimeCompleted(oldest) == 0 || papplJobGetTimeCompleted(oldest) >= before)
                break;
            cupsArrayRemove(head->completedJobs, oldest);
            cupsArrayRemove(head->allJobs, oldest); // which frees the job
            ++*trimmed;
        }
    }
    pthread_rwlock_unlock(&head->rwlock);
}

bool trimAll(pappl_system_t* system, void*)
{
    int trimmed = 0;
    papplSystemIteratePrinters(system, trimPrinter, &trimmed);
    if (trimmed > 0)
        _papplSystemConfigChanged(system); // the state file without them
    return true;
}

} // namespace

void trimJobHistories(pappl_system_t* system)
{
    papplSystemAddTimerCallback(system, std::time(nullptr) + kIntervalSeconds, kIntervalSeconds, trimAll, nullptr);
}
