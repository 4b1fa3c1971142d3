#pragma once
// The application's own record of the jobs on paper. PAPPL saves its state
// some seconds after a change and keeps no trace of a job that was printing
// when the process died; this journal, one small file per printing job next
// to the state file, tells the next start which job was on paper, on which
// page, and the highest job id handed out, so that the job comes back held
// and no id is given twice.
#include <string>
#include <vector>

#include <pappl/pappl.h>

struct JournalRecord {
    int printerId = 0;
    int jobId = 0;
    bool started = false;  // on paper; false: accepted, waiting to print
    int pagesDone = 0;     // pages ended on paper before the stop
    bool pageCounted = true; // false for documents without pages (raw printer data)
    std::string printer;   // the printer's name, for the log
    std::string name;      // job-name
    std::string user;      // job-originating-user-name
    std::string format;    // the document's format as PAPPL holds it
    std::string filename;  // the spool file (not known before the job starts)
};

// The record as the journal stores it, and back; false for text that is not
// a whole record (a file cut short by a crash is ignored).
std::string formatJournalRecord(const JournalRecord& record);
bool parseJournalRecord(const std::string& text, JournalRecord* record);

// The folder the journal lives in; set once at start, before jobs run.
void setJournalFolder(const std::string& folder);
const std::string& journalFolder();

// Every record in the folder; the highest job id seen per printer id.
std::vector<JournalRecord> readJournal();
int journalNextJobId(int printerId);
void forgetJournalRecord(int printerId, int jobId);

// Called by the job's own thread: on paper, one page more, off paper.
void journalJobStarted(pappl_job_t* job, bool pageCounted);
void journalPageDone(pappl_job_t* job, int pagesDone);
void journalJobEnded(pappl_job_t* job);
// Called as PAPPL creates a job: a record of the accepted job, and the
// highest id handed out.
void journalJobCreated(pappl_job_t* job);
