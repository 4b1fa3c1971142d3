#pragma once
// The engine's host interface, as the application uses it.
#include "engine/output/job_report.h"
#include "engine/output/output_channel.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"
#include "engine/job/job_setup.h"
#include "engine/job/job_state.h"
