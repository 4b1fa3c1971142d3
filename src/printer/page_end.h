#pragma once
// The commands that end a page and a job, and the page end itself.
#include "output/output_channel.h"
#include "settings/job_state.h"

StatusCode sendPageEnd();
StatusCode sendJobEnd();
// Sends the page end, releases the band's column buffer and stops reacting
// to SIGTERM until the next page starts. 0, or 5 when the page end failed.
StatusCode endPage(JobState* state);
