#pragma once
// The printer data of a cancelled job judged against the same job run to its end.
#include <cstdint>
#include <string>
#include <vector>

#include "impact_decode.h"

enum class CancelOutcome {
    Invalid,         // none of the outcomes below
    Killed,          // the signal ended the process before the first page: no data
    Ignored,         // between pages or after the last one: the whole job
    Cancelled,       // in a page: the job up to a command, 16 NULs, page end, job end
    CancelledOwing,  // as Cancelled, with the data of the bit image in flight owed as NULs first
};

struct CancelVerdict {
    CancelOutcome outcome = CancelOutcome::Invalid;
    std::string why; // for Invalid: what is wrong
};

struct CancelExpectation {
    std::vector<uint8_t> reference; // the job's data, not cancelled
    std::vector<uint8_t> pageEnd, jobEnd; // bytes of the page end and the job end
    PrinterClass printer;
};

// signal: what ended the process (0: it exited); readyLine: "INFO: Ready to print." was written.
CancelVerdict judgeCancelledJob(const CancelExpectation& expect, const std::vector<uint8_t>& out, int exitStatus,
                                int signal, bool readyLine);

const char* outcomeName(CancelOutcome outcome);
