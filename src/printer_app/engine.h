#pragma once
// The engine's host interface, as the application uses it.
#include "engine/output/output_channel.h"
#include "engine/output/status_messages.h"
#include "engine/job/job_cancel.h"
#include "engine/job/page_flow.h"
#include "engine/job/job_setup.h"
#include "engine/job/job_state.h"
