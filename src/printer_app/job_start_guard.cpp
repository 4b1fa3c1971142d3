// PAPPL 1.3.1 runs each job on a thread of its own and means to run one job
// of a printer at a time, but two gaps let a second one start while the
// first still prints:
// - it marks a job as processing only once the job's new thread runs, and
//   a look for work in that moment (a document arriving on another
//   connection, the previous job ending, a release) starts another thread,
//   for the same job or the next;
// - at a job's end it lets the next job start before it closes the device,
//   and then closes the device under the next job.
// Either way two jobs write to one device, a job may print twice, and the
// process crashes on the freed device or job. PAPPL makes its job threads
// with pthread_create, so this program's own definition of that call lets
// one job thread a printer run at a time: a job thread asked for while
// another of the same printer runs starts nothing, and when a job thread
// ends the printer is looked at once more, so a job waiting is started
// then. Every other thread is started as it is asked.
#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <mutex>
#include <new>
#include <set>

#include <pappl/pappl.h>

// PAPPL's own: the function a job thread runs, and its look for work.
extern "C" void* _papplJobProcess(pappl_job_t* job);
extern "C" void _papplPrinterCheckJobs(pappl_printer_t* printer);

namespace {

std::mutex busyLock;
std::set<pappl_printer_t*> busy; // printers with a job thread running

struct JobThread {
    pappl_job_t* job;
    pappl_printer_t* printer;
    pappl_system_t* system;
    int printerId;
};

void* runJob(void* data)
{
    const JobThread run = *static_cast<JobThread*>(data);
    delete static_cast<JobThread*>(data);
    _papplJobProcess(run.job);
    {
        std::lock_guard<std::mutex> hold(busyLock);
        busy.erase(run.printer);
    }
    // The job's end may have deleted the printer; look it up again.
    if (papplSystemFindPrinter(run.system, nullptr, run.printerId, nullptr) == run.printer)
        _papplPrinterCheckJobs(run.printer);
    return nullptr;
}

void* runNothing(void*)
{
    return nullptr;
}

} // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*), void* arg)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (start != reinterpret_cast<void* (*)(void*)>(&_papplJobProcess))
        return create(thread, attributes, start, arg);
    auto* job = static_cast<pappl_job_t*>(arg);
    pappl_printer_t* printer = papplJobGetPrinter(job);
    {
        std::lock_guard<std::mutex> hold(busyLock);
        if (!busy.insert(printer).second)
            return create(thread, attributes, runNothing, nullptr);
    }
    auto* run = new (std::nothrow) JobThread{job, printer, papplPrinterGetSystem(printer), papplPrinterGetID(printer)};
    const int status = run != nullptr ? create(thread, attributes, runJob, run) : EAGAIN;
    if (status != 0) {
        delete run;
        std::lock_guard<std::mutex> hold(busyLock);
        busy.erase(printer);
    }
    return status;
}
