#include "printer_app/state_repair.h"

#include <cstdlib>
#include <sstream>

#include <pappl/pappl.h>

namespace {

constexpr int kHeld = IPP_JSTATE_HELD;

// The value of NAME="..." in a state file line, unescaped; false if absent.
bool attribute(const std::string& line, const char* name, std::string* value)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t start = line.find(key);
    if (start == std::string::npos)
        return false;
    value->clear();
    for (size_t i = start + key.size(); i < line.size(); ++i) {
        if (line[i] == '"')
            return true;
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        value->push_back(line[i]);
    }
    return false;
}

int numberAttribute(const std::string& line, const char* name, int fallback)
{
    std::string value;
    return attribute(line, name, &value) ? std::atoi(value.c_str()) : fallback;
}

// NAME="VALUE" with PAPPL's escapes.
std::string quoted(const char* name, const std::string& value)
{
    std::string text = std::string(" ") + name + "=\"";
    for (char c : value) {
        if (c == '\\' || c == '"')
            text.push_back('\\');
        text.push_back(c);
    }
    return text + "\"";
}

// The line with NAME's value replaced (or added at the end).
std::string setAttribute(const std::string& line, const char* name, const std::string& value)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t start = line.find(key);
    if (start == std::string::npos)
        return line + quoted(name, value);
    size_t end = start + key.size();
    while (end < line.size() && line[end] != '"')
        end += line[end] == '\\' ? 2 : 1;
    return line.substr(0, start) + quoted(name, value) + (end < line.size() ? line.substr(end + 1) : "");
}

std::string heldLine(const JournalRecord& r, long now)
{
    return "Job" + quoted("created", std::to_string(now)) + quoted("filename", r.filename) +
           quoted("format", r.format) + quoted("id", std::to_string(r.jobId)) + quoted("name", r.name) +
           quoted("state", std::to_string(kHeld)) +
           quoted("state_reasons", std::to_string(PAPPL_JREASON_JOB_HOLD_UNTIL_SPECIFIED)) +
           quoted("username", r.user.empty() ? "unknown" : r.user);
}

} // namespace

StateRepair repairState(const std::string& state, const std::vector<JournalRecord>& interrupted, long now)
{
    StateRepair repair;
    std::vector<bool> seen(interrupted.size(), false);
    std::istringstream lines(state);
    std::ostringstream out;
    std::string line;
    int printerId = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("<Printer ", 0) == 0) {
            printerId = numberAttribute(line, "id", 0);
        } else if (line == "</Printer>") {
            // Jobs PAPPL had not saved yet: a line of their own.
            for (size_t i = 0; i < interrupted.size(); ++i)
                if (!seen[i] && interrupted[i].printerId == printerId) {
                    seen[i] = true;
                    out << heldLine(interrupted[i], now) << '\n';
                    repair.held.push_back(interrupted[i]);
                }
            printerId = 0;
        } else if (line.rfind("Job ", 0) == 0 && printerId > 0) {
            const int jobId = numberAttribute(line, "id", 0);
            for (size_t i = 0; i < interrupted.size(); ++i) {
                if (seen[i] || interrupted[i].printerId != printerId || interrupted[i].jobId != jobId)
                    continue;
                seen[i] = true;
                // PAPPL saved the waiting job, or the job has ended: it
                // loads as it was saved. PAPPL loads a job without a state
                // as held.
                if (!interrupted[i].started || numberAttribute(line, "state", kHeld) >= IPP_JSTATE_STOPPED) {
                    repair.ended.push_back(interrupted[i]);
                    break;
                }
                const int reasons = numberAttribute(line, "state_reasons", 0);
                line = setAttribute(line, "state", std::to_string(kHeld));
                line = setAttribute(line, "state_reasons",
                                    std::to_string(reasons | PAPPL_JREASON_JOB_HOLD_UNTIL_SPECIFIED));
                repair.held.push_back(interrupted[i]);
                break;
            }
        }
        out << line << '\n';
    }
    // Records of printers that are gone.
    for (size_t i = 0; i < interrupted.size(); ++i)
        if (!seen[i])
            repair.ended.push_back(interrupted[i]);
    repair.text = out.str();
    return repair;
}
