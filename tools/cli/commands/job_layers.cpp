#include "cli/commands/job_layers.h"

#include <iostream>

namespace txorb::cli {

drawing::LayerSettings CommandLineLayer(const MarkOptions& o) {
    drawing::LayerSettings s;
    s.mode = o.plan.hatch.fill ? drawing::LayerMode::kFill : drawing::LayerMode::kOutline;
    s.power = o.power;
    s.speed = o.markSpeed;
    s.passes = o.passes;
    s.hatchSpacing = o.plan.hatch.spacing;
    s.hatchAngle = o.plan.hatch.angle;
    s.crossHatch = o.plan.hatch.cross;
    return s;
}

bool ReadJob(MarkOptions* o, const char* command, drawing::JobFile* job) {
    std::string error;
    if (!o->job.empty() && !drawing::ReadJobFile(o->job, job, &error)) {
        std::cerr << command << ": " << error << "\n";
        return false;
    }
    if (o->drawing.empty()) o->drawing = job->drawing;
    if (o->drawing.empty()) {
        std::cerr << command << ": no drawing: name one"
                  << (o->job.empty() ? "" : ", or give the job file a drawing = \"FILE\"") << "\n";
        return false;
    }
    return true;
}

void ChooseLayerSettings(const drawing::JobFile& job, const drawing::LayerSettings& defaults,
                         drawing::MarkPlan* plan) {
    for (drawing::PlanLayer& layer : plan->layers) {
        layer.settings =
            drawing::ResolveLayer(job, defaults, layer.colour, 0, layer.picture).settings;
    }
}

}  // namespace txorb::cli
