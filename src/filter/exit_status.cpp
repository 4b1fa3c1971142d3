#include "filter/exit_status.h"

using impact::JobResult;

int exitStatusOf(JobResult result)
{
    switch (result) {
    case JobResult::Success:
        return 0;
    case JobResult::SettingsUnreadable:
        return 2;
    case JobResult::OutputFailed:
        return 5;
    case JobResult::OutOfMemory:
        return 12;
    case JobResult::Unsupported:
        return 22;
    case JobResult::BadData:
        break;
    }
    return 255;
}
