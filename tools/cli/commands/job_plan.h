// What `txorb run` and `txorb frame` mark, made ready once: the job file read, its drawing
// (the command line's, else the job's; none for a job of texts and codes alone) read and
// planned with each layer's settings, and the planner that adds each part's items to it.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "cli/commands/mark_command.h"
#include "drawing/items/part_plan.h"
#include "drawing/job/job_file.h"

namespace txorb::cli {

// Stays where it is made: its planner's layer rules refer to `job`.
struct JobPlan {
    JobPlan() = default;
    JobPlan(const JobPlan&) = delete;
    JobPlan& operator=(const JobPlan&) = delete;

    drawing::JobFile job;
    std::string drawing;  // the drawing's path; empty for none
    drawing::PartPlanner parts;
    std::map<std::string, size_t> notMarked;  // of the drawing, by kind
};

// False after printing "<command>: why" (the job file's or the drawing's error, or that there
// is nothing to mark): the command then exits with 2.
bool PrepareJobPlan(const MarkOptions& options, const char* command, JobPlan* out);

}  // namespace txorb::cli
