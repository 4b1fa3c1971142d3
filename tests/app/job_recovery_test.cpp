// How the start-up rewrites PAPPL's state file for the jobs its journal
// found on paper or arriving, and the journal's records read back.
#include <gtest/gtest.h>

#include <string>

#include "printer_app/state_repair.h"

namespace {

JournalRecord record(int printer, int job, bool started)
{
    JournalRecord r;
    r.printerId = printer;
    r.jobId = job;
    r.started = started;
    r.pagesDone = 3;
    r.printer = "p";
    r.name = "say \"hi\"";
    r.user = "ann";
    r.format = "application/pdf";
    r.filename = "/spool/p00001j000000007-x.pdf";
    return r;
}

const char* kState = "NextPrinterID 3\n"
                     "<Printer id=\"1\" name=\"p\">\n"
                     "NextJobId 8\n"
                     "Job id=\"5\" name=\"a\" state=\"9\" username=\"ann\"\n"
                     "Job id=\"6\" name=\"b\" state=\"5\" state_reasons=\"1\" username=\"ann\"\n"
                     "Job id=\"7\" name=\"c\" state=\"3\" username=\"ann\"\n"
                     "</Printer>\n"
                     "<Printer id=\"2\" name=\"q\">\n"
                     "</Printer>\n";

struct Case {
    const char* what;
    JournalRecord journal;
    const char* line;  // the state file line the job ends up with
    bool held, ended;
};

} // namespace

TEST(StateRepair, JobsOnPaperLoadHeldOthersAsSaved)
{
    const std::string added = "Job created=\"100\" filename=\"/spool/p00001j000000007-x.pdf\" format=\"application/pdf\""
                              " id=\"9\" name=\"say \\\"hi\\\"\" state=\"4\" state_reasons=\"4194304\" username=\"ann\"";
    const Case cases[] = {
        {"printing, saved as printing", record(1, 6, true),
         "Job id=\"6\" name=\"b\" state=\"4\" state_reasons=\"4194305\" username=\"ann\"", true, false},
        {"printing, saved while waiting", record(1, 7, true),
         "Job id=\"7\" name=\"c\" state=\"4\" username=\"ann\" state_reasons=\"4194304\"", true, false},
        {"saved as ended", record(1, 5, true), "Job id=\"5\" name=\"a\" state=\"9\" username=\"ann\"", false, true},
        {"waiting and saved: as PAPPL saved it", record(1, 7, false),
         "Job id=\"7\" name=\"c\" state=\"3\" username=\"ann\"", false, true},
        {"never saved", record(1, 9, true), added.c_str(), true, false},
        {"arriving, never saved", record(1, 9, false), added.c_str(), true, false},
        {"printer gone", record(4, 9, true), nullptr, false, true},
    };
    for (const Case& c : cases) {
        const StateRepair repair = repairState(kState, {c.journal}, 100);
        EXPECT_EQ(repair.held.size(), c.held ? 1u : 0u) << c.what;
        EXPECT_EQ(repair.ended.size(), c.ended ? 1u : 0u) << c.what;
        if (c.line != nullptr)
            EXPECT_NE(repair.text.find(std::string(c.line) + "\n"), std::string::npos) << c.what << "\n" << repair.text;
        else
            EXPECT_EQ(repair.text, kState) << c.what;
    }
    // A job the state file lacks goes into its own printer's block.
    const StateRepair second = repairState(kState, {record(2, 9, true)}, 100);
    EXPECT_NE(second.text.find("name=\"q\">\nJob created"), std::string::npos) << second.text;
}

TEST(JobJournal, RecordsReadBackWholeOrNotAtAll)
{
    const JournalRecord r = record(1, 7, true);
    const std::string text = formatJournalRecord(r);
    JournalRecord back;
    ASSERT_TRUE(parseJournalRecord(text, &back));
    EXPECT_EQ(formatJournalRecord(back), text);
    // Cut short by a crash, or a started job without its document.
    EXPECT_FALSE(parseJournalRecord(text.substr(0, text.size() - 4), &back));
    JournalRecord noFile = r;
    noFile.filename.clear();
    EXPECT_FALSE(parseJournalRecord(formatJournalRecord(noFile), &back));
    noFile.started = false;
    EXPECT_TRUE(parseJournalRecord(formatJournalRecord(noFile), &back));
}
