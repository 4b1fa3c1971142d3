#pragma once
// The engine's host interface, as the application uses it.
#include "output/output_channel.h"
#include "output/status_messages.h"
#include "printer/job_cancel.h"
#include "printer/page_flow.h"
#include "settings/job_setup.h"
#include "settings/job_state.h"
#include "settings/option_table.h"
