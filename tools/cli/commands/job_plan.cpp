#include "cli/commands/job_plan.h"

#include <iostream>

#include "cli/commands/job_layers.h"
#include "drawing/input/read_drawing.h"
#include "drawing/plan/plan.h"

namespace txorb::cli {
namespace {

bool PlanJobDrawing(const drawing::PlanOptions& planning, const char* command, JobPlan* out,
                    drawing::MarkPlan* plan) {
    const drawing::ReadResult read = drawing::ReadDrawing(out->drawing);
    if (!read.ok) {
        std::cerr << command << ": cannot read the drawing: " << read.error << "\n";
        return false;
    }
    for (const std::string& w : read.drawing.warnings) {
        std::cerr << command << ": warning: " << w << "\n";
    }
    std::string why;
    if (!drawing::PlanDrawing(read.drawing, planning, plan, &why)) {
        std::cerr << command << ": " << out->drawing << ": " << why << "\n";
        return false;
    }
    out->notMarked = read.drawing.notMarked;
    return true;
}

}  // namespace

bool PrepareJobPlan(const MarkOptions& o, const char* command, JobPlan* out) {
    std::string error;
    if (!o.job.empty() && !drawing::ReadJobFile(o.job, &out->job, &error)) {
        std::cerr << command << ": " << error << "\n";
        return false;
    }
    out->drawing = o.drawing.empty() ? out->job.drawing : o.drawing;
    // The drawing's layers and each item's (by its group) get their settings from the job.
    drawing::PlanOptions planning = o.plan;
    planning.resolve = LayerRules(out->job, CommandLineLayer(o));
    drawing::MarkPlan plan;
    if (!out->drawing.empty() && !PlanJobDrawing(planning, command, out, &plan)) return false;
    if (out->drawing.empty() && out->job.texts.empty() && out->job.codes.empty()) {
        std::cerr << command << ": nothing to mark: "
                  << (o.job.empty() ? "no drawing" : o.job + " names no drawing, text or code")
                  << "\n";
        return false;
    }
    if (!drawing::PartPlanner::Prepare(out->job, std::move(plan), planning, CommandLineLayer(o),
                                       &out->parts, &error)) {
        std::cerr << command << ": " << error << "\n";
        return false;
    }
    return true;
}

}  // namespace txorb::cli
