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

drawing::LayerResolver LayerRules(const drawing::JobFile& job,
                                  const drawing::LayerSettings& defaults) {
    return [&job, defaults](const drawing::Colour& colour, uint32_t group, bool picture) {
        const drawing::ResolvedLayer r =
            drawing::ResolveLayer(job, defaults, colour, group, picture);
        return drawing::LayerChoice{r.settings, r.given.power.has_value(),
                                    r.given.hatchSpacing.has_value(), r.given.mode.has_value()};
    };
}

}  // namespace txorb::cli
