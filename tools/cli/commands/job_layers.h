// What `txorb mark`, `preview` and `layers` take from a job file: its drawing when the command
// line names none, and each layer's settings, the job file's over the command line's.
#pragma once

#include <string>

#include "cli/commands/mark_command.h"
#include "drawing/job/job_file.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"

namespace txorb::cli {

// The settings every layer starts from: the command line's (or their defaults).
drawing::LayerSettings CommandLineLayer(const MarkOptions& options);

// Reads options->job, when given, into *job and takes its drawing when options->drawing is
// empty. False after printing "<command>: FILE:LINE:COLUMN: key: what" (or that there is no
// drawing): the command then exits with 2 and marks nothing.
bool ReadJob(MarkOptions* options, const char* command, drawing::JobFile* job);

// Each layer's settings for the planning (PlanOptions::resolve): its job file rule's over
// `defaults`, with what the file gives, which tone mapping leaves alone. `job` must outlive
// the planning.
drawing::LayerResolver LayerRules(const drawing::JobFile& job,
                                  const drawing::LayerSettings& defaults);

}  // namespace txorb::cli
