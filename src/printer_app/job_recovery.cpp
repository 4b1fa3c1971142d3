#include "printer_app/job_recovery.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "printer_app/job_journal.h"
#include "printer_app/state_repair.h"

namespace {

bool isFolder(const char* path)
{
    struct stat info;
    return path != nullptr && *path != '\0' && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

// Where papplMainloop keeps the state file (its own order of choices).
std::string stateFilePath(const char* appName)
{
    const char* snap = std::getenv("SNAP_COMMON");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string file = std::string("/") + appName + ".state";
    if (snap != nullptr)
        return isFolder(snap) ? snap + file : "";
    if (getuid() == 0) {
        mkdir("/var/lib", 0777);
        return "/var/lib" + file;
    }
    if (xdg != nullptr)
        return isFolder(xdg) ? xdg + file : "";
    if (home != nullptr) {
        const std::string config = std::string(home) + "/.config";
        mkdir(config.c_str(), 0777);
        if (isFolder(config.c_str()))
            return config + file;
    }
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/" + appName + std::to_string(getuid()) + ".state";
}

std::string readWhole(const std::string& path)
{
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

bool replaceFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".recovered";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// PAPPL loads a job's attributes from SPOOLNAME.ipp next to its document
// and leaves a job without them out of the queue: a job it never saved gets
// the few attributes the journal knows (its options are the printer's
// defaults then).
void ensureAttributesFile(const JournalRecord& record)
{
    const size_t dot = record.filename.rfind('.');
    const size_t slash = record.filename.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return;
    const std::string path = record.filename.substr(0, dot) + ".ipp";
    if (exists(path))
        return;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ipp_t* attrs = ippNew();
    ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr, record.name.c_str());
    ippAddString(attrs, IPP_TAG_JOB, IPP_TAG_NAME, "job-originating-user-name", nullptr, record.user.c_str());
    ippWriteFile(fd, attrs);
    ippDelete(attrs);
    close(fd);
}

// The document of a job that had not started: PNNNNNJNNNNNNNNN-NAME.EXT.
std::string spoolFileOf(const char* spoolFolder, const JournalRecord& record)
{
    DIR* dir = isFolder(spoolFolder) ? opendir(spoolFolder) : nullptr;
    if (dir == nullptr)
        return "";
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "p%05dj%09d-", record.printerId, record.jobId);
    std::string found;
    while (const dirent* entry = readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        if (std::strncmp(entry->d_name, prefix, 17) == 0 &&
            !(length > 4 && std::strcmp(entry->d_name + length - 4, ".ipp") == 0))
            found = std::string(spoolFolder) + "/" + entry->d_name;
    }
    closedir(dir);
    return found;
}

struct Owned {
    std::set<std::pair<int, int>> active; // (printer id, job id) of jobs not ended
    std::set<std::string> files;
};

void collectJob(pappl_job_t* job, void* data)
{
    auto* owned = static_cast<Owned*>(data);
    if (papplJobGetState(job) < IPP_JSTATE_STOPPED)
        owned->active.insert({papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job)});
    if (const char* file = papplJobGetFilename(job))
        owned->files.insert(file);
}

void collectPrinter(pappl_printer_t* printer, void* data)
{
    papplPrinterIterateAllJobs(printer, collectJob, data, 1, 0);
}

// Ids continue past the highest one handed out before the stop.
void continueJobIds(pappl_printer_t* printer, void*)
{
    const int next = journalNextJobId(papplPrinterGetID(printer));
    if (next > papplPrinterGetNextJobID(printer))
        papplPrinterSetNextJobID(printer, next);
}

// Jobs that were waiting when the application stopped start once it runs
// (PAPPL looks for jobs only when one arrives or a printer resumes).
void startWaitingJobs(pappl_printer_t* printer, void*)
{
    if (papplPrinterGetState(printer) != IPP_PSTATE_STOPPED && papplPrinterGetNumberOfActiveJobs(printer) > 0)
        papplPrinterResume(printer);
}

// A timer that repeats (PAPPL 1.3.1 does not free a one-shot timer) and
// acts once.
bool startWaitingJobsOnce(pappl_system_t* system, void* data)
{
    auto* done = static_cast<bool*>(data);
    if (!*done)
        papplSystemIteratePrinters(system, startWaitingJobs, nullptr);
    *done = true;
    return true;
}

// Spool files (PNNNNNJNNNNNNNNN-NAME.EXT) of jobs that are not in the
// queue: documents of ended jobs a crash left behind.
void removeStrayFiles(pappl_system_t* system, const char* spoolFolder)
{
    DIR* dir = isFolder(spoolFolder) ? opendir(spoolFolder) : nullptr;
    if (dir == nullptr)
        return;
    Owned owned;
    papplSystemIteratePrinters(system, collectPrinter, &owned);
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        int printerId = 0, jobId = 0, length = 0;
        if (std::sscanf(entry->d_name, "p%5dj%9d-%n", &printerId, &jobId, &length) != 2 || length != 17)
            continue;
        const std::string path = std::string(spoolFolder) + "/" + entry->d_name;
        if (owned.active.count({printerId, jobId}) == 0 && owned.files.count(path) == 0 && unlink(path.c_str()) == 0)
            ++removed;
    }
    closedir(dir);
    if (removed > 0)
        papplLog(system, PAPPL_LOGLEVEL_INFO, "Removed %d spool file(s) of jobs that are no longer queued.", removed);
}

} // namespace

std::string defaultSpoolFolder(const char* appName)
{
    const char* snap = std::getenv("SNAP_COMMON");
    const char* home = std::getenv("HOME");
    std::string folder;
    if (snap != nullptr)
        folder = std::string(snap) + "/" + appName + ".d";
    else if (getuid() == 0 && (mkdir("/var/spool", 0755) == 0 || errno == EEXIST))
        folder = std::string("/var/spool/") + appName;
    else if (home != nullptr && (mkdir((std::string(home) + "/.config").c_str(), 0777) == 0 || errno == EEXIST))
        folder = std::string(home) + "/.config/" + appName + ".d";
    if (!folder.empty() && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        folder.clear();
    return folder;
}

void loadStateWithRecovery(pappl_system_t* system, const char* appName, const char* spoolFolder)
{
    static std::string statePath; // PAPPL's save callback keeps the pointer
    statePath = stateFilePath(appName);
    if (statePath.empty())
        return; // papplMainloop decides, as without this step
    setJournalFolder(statePath.substr(0, statePath.size() - 6) + ".jobs");

    std::vector<JournalRecord> interrupted;
    for (JournalRecord record : readJournal()) {
        if (!record.started)
            record.filename = spoolFileOf(spoolFolder, record);
        if (exists(record.filename))
            interrupted.push_back(record);
        else
            forgetJournalRecord(record.printerId, record.jobId);
    }
    StateRepair repair;
    if (!interrupted.empty() && exists(statePath)) {
        repair = repairState(readWhole(statePath), interrupted, static_cast<long>(std::time(nullptr)));
        for (const JournalRecord& record : repair.held)
            ensureAttributesFile(record);
        if (!replaceFile(statePath, repair.text)) {
            papplLog(system, PAPPL_LOGLEVEL_ERROR, "Unable to update '%s': %s", statePath.c_str(),
                     std::strerror(errno));
            repair.held.clear();
        }
    }
    for (const JournalRecord& record : repair.ended)
        forgetJournalRecord(record.printerId, record.jobId);

    papplSystemLoadState(system, statePath.c_str());
    papplSystemSetSaveCallback(system, reinterpret_cast<pappl_save_cb_t>(papplSystemSaveState),
                               const_cast<char*>(statePath.c_str()));

    for (const JournalRecord& record : repair.held) {
        pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, record.printerId, nullptr);
        pappl_job_t* job = printer != nullptr ? papplPrinterFindJob(printer, record.jobId) : nullptr;
        if (job == nullptr || papplJobGetState(job) != IPP_JSTATE_HELD) {
            forgetJournalRecord(record.printerId, record.jobId);
            continue;
        }
        if (!record.started)
            papplJobSetMessage(job, "Received as the application stopped: check it, then release or cancel it.");
        else if (record.pageCounted)
            papplJobSetMessage(job, "Interrupted on page %d: check the form position, then release or cancel it.",
                               record.pagesDone + 1);
        else
            papplJobSetMessage(job, "Interrupted while printing: check the form position, then release or "
                                    "cancel it.");
        papplLog(system, PAPPL_LOGLEVEL_WARN, "Job %d on '%s' was %s when the application stopped: held.",
                 record.jobId, record.printer.c_str(), record.started ? "printing" : "arriving");
    }
    papplSystemIteratePrinters(system, continueJobIds, nullptr);
    removeStrayFiles(system, spoolFolder);
    static bool started = false;
    papplSystemAddTimerCallback(system, std::time(nullptr), 24 * 3600, startWaitingJobsOnce, &started);
}
