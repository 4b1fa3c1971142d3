#include "printer_app/job_events.h"

#include "printer_app/job_journal.h"
#include "printer_app/document_routing.h"

namespace {

void onSystemEvent(pappl_system_t*, pappl_printer_t*, pappl_job_t* job, pappl_event_t event, void*)
{
    if (event == PAPPL_EVENT_JOB_CREATED && job != nullptr) {
        routeDocument(job);
        journalJobCreated(job);
    }
    // Before PAPPL looks for the document's filter.
    if (event == PAPPL_EVENT_JOB_STATE_CHANGED && job != nullptr && papplJobGetState(job) == IPP_JSTATE_PROCESSING)
        routeSentImage(job);
    // A held job that is cancelled never reaches the driver: its record goes
    // here, and so does its attributes file, which PAPPL would remove only
    // at its next save (a cancel does not start one).
    if (event == PAPPL_EVENT_JOB_COMPLETED && job != nullptr && papplJobGetState(job) >= IPP_JSTATE_STOPPED) {
        journalJobEnded(job);
        char path[1024];
        papplJobOpenFile(job, path, sizeof path, nullptr, "ipp", "x");
    }
}

} // namespace

void watchJobs(pappl_system_t* system)
{
    papplSystemSetEventCallback(system, onSystemEvent, nullptr);
}
