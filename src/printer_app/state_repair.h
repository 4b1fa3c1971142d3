#pragma once
// PAPPL's state file rewritten so that jobs the journal found on paper load
// held: a job line saved while the job was pending or printing gets the held
// state; a job the state file never saw (printing, or accepted moments
// before the stop) gets a line of its own, held.
#include <string>
#include <vector>

#include "printer_app/job_journal.h"

struct StateRepair {
    std::string text;                 // the state file to load
    std::vector<JournalRecord> held;  // the jobs that load held
    std::vector<JournalRecord> ended; // jobs the state file shows ended: their records go
};

// `interrupted` are records whose spool file exists (the file named, for a
// job not started, by the caller from the spool folder); `now` is the
// creation time given to a job line the state file lacks.
StateRepair repairState(const std::string& state, const std::vector<JournalRecord>& interrupted, long now);
