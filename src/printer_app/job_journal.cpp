#include "printer_app/job_journal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string gFolder;    // set before the system runs, read-only afterwards
std::mutex gNextIdLock; // job ids are handed out on the clients' threads

// One line of text: control characters (a newline in a job name) become spaces.
std::string oneLine(const char* text)
{
    std::string line = text != nullptr ? text : "";
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return line;
}

std::string recordPath(int printerId, int jobId)
{
    char name[64];
    std::snprintf(name, sizeof name, "/p%05dj%09d.job", printerId, jobId);
    return gFolder + name;
}

std::string nextIdPath(int printerId)
{
    char name[64];
    std::snprintf(name, sizeof name, "/p%05d.next-id", printerId);
    return gFolder + name;
}

std::string readFile(const std::string& path)
{
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < 65536)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

// Written whole or not at all: a crash leaves the old file or the new one.
void writeFileAtomically(const std::string& path, const std::string& text)
{
    if (gFolder.empty())
        return;
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0)
        unlink(temporary.c_str());
}

JournalRecord recordOf(pappl_job_t* job, bool pageCounted)
{
    const char* format = papplJobGetFormat(job);
    pappl_printer_t* printer = papplJobGetPrinter(job);
    JournalRecord record;
    record.printerId = papplPrinterGetID(printer);
    record.jobId = papplJobGetID(job);
    record.pageCounted = pageCounted;
    record.printer = oneLine(papplPrinterGetName(printer));
    record.name = oneLine(papplJobGetName(job));
    record.user = oneLine(papplJobGetUsername(job));
    record.format = oneLine(format != nullptr ? format : "application/octet-stream");
    record.filename = oneLine(papplJobGetFilename(job));
    return record;
}

} // namespace

std::string formatJournalRecord(const JournalRecord& r)
{
    std::ostringstream text;
    text << "printer-id=" << r.printerId << "\njob-id=" << r.jobId << "\nstarted=" << (r.started ? 1 : 0)
         << "\npages-done=" << r.pagesDone
         << "\npage-counted=" << (r.pageCounted ? 1 : 0) << "\nprinter=" << r.printer << "\nname=" << r.name
         << "\nuser=" << r.user << "\nformat=" << r.format << "\nfilename=" << r.filename << "\nend\n";
    return text.str();
}

bool parseJournalRecord(const std::string& text, JournalRecord* record)
{
    JournalRecord r;
    r.printerId = r.jobId = r.pagesDone = -1;
    std::istringstream lines(text);
    std::string line;
    bool ended = false;
    while (std::getline(lines, line)) {
        if (line == "end") {
            ended = true;
            break;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return false;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        const long number = std::strtol(value.c_str(), nullptr, 10);
        const int bounded = number < 0 || number > 0x7fffffff ? -1 : static_cast<int>(number);
        if (key == "printer-id")
            r.printerId = bounded;
        else if (key == "job-id")
            r.jobId = bounded;
        else if (key == "started")
            r.started = number != 0;
        else if (key == "pages-done")
            r.pagesDone = bounded;
        else if (key == "page-counted")
            r.pageCounted = number != 0;
        else if (key == "printer")
            r.printer = value;
        else if (key == "name")
            r.name = value;
        else if (key == "user")
            r.user = value;
        else if (key == "format")
            r.format = value;
        else if (key == "filename")
            r.filename = value;
    }
    if (!ended || r.printerId <= 0 || r.jobId <= 0 || r.pagesDone < 0 || (r.started && r.filename.empty()))
        return false;
    *record = r;
    return true;
}

void setJournalFolder(const std::string& folder)
{
    gFolder = folder;
    if (!gFolder.empty())
        mkdir(gFolder.c_str(), 0700);
}

const std::string& journalFolder()
{
    return gFolder;
}

std::vector<JournalRecord> readJournal()
{
    std::vector<JournalRecord> records;
    DIR* dir = gFolder.empty() ? nullptr : opendir(gFolder.c_str());
    if (dir == nullptr)
        return records;
    while (const dirent* entry = readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        JournalRecord record;
        if (length > 4 && std::strcmp(entry->d_name + length - 4, ".job") == 0 &&
            parseJournalRecord(readFile(gFolder + "/" + entry->d_name), &record))
            records.push_back(record);
    }
    closedir(dir);
    return records;
}

int journalNextJobId(int printerId)
{
    return std::atoi(readFile(nextIdPath(printerId)).c_str());
}

void forgetJournalRecord(int printerId, int jobId)
{
    if (!gFolder.empty())
        unlink(recordPath(printerId, jobId).c_str());
}

void journalJobStarted(pappl_job_t* job, bool pageCounted)
{
    JournalRecord record = recordOf(job, pageCounted);
    record.started = true;
    if (!record.filename.empty())
        writeFileAtomically(recordPath(record.printerId, record.jobId), formatJournalRecord(record));
}

void journalPageDone(pappl_job_t* job, int pagesDone)
{
    JournalRecord record = recordOf(job, true);
    record.started = true;
    record.pagesDone = pagesDone;
    if (!record.filename.empty())
        writeFileAtomically(recordPath(record.printerId, record.jobId), formatJournalRecord(record));
}

void journalJobEnded(pappl_job_t* job)
{
    forgetJournalRecord(papplPrinterGetID(papplJobGetPrinter(job)), papplJobGetID(job));
}

void journalJobCreated(pappl_job_t* job)
{
    const JournalRecord record = recordOf(job, true);
    writeFileAtomically(recordPath(record.printerId, record.jobId), formatJournalRecord(record));
    const int printerId = record.printerId;
    std::lock_guard<std::mutex> hold(gNextIdLock);
    if (papplJobGetID(job) >= journalNextJobId(printerId))
        writeFileAtomically(nextIdPath(printerId), std::to_string(papplJobGetID(job) + 1) + "\n");
}
