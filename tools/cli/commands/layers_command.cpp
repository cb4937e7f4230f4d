#include "cli/commands/layers_command.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cli/commands/job_layers.h"
#include "cli/commands/outputs.h"
#include "cli/run/output_file.h"
#include "cli/run/progress.h"
#include "drawing/input/read_drawing.h"
#include "drawing/job/job_file.h"
#include "drawing/plan/plan.h"

namespace txorb::cli {
namespace {

constexpr const char* kCommand = "txorb layers";

std::string Hatch(const drawing::LayerSettings& s) {
    if (s.mode != drawing::LayerMode::kFill) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%g bits at %g°%s", s.hatchSpacing, s.hatchAngle,
                  s.crossHatch ? ", crossed" : "");
    return text;
}

void PrintTable(const drawing::MarkPlan& plan, const std::vector<double>& layerMs,
                double bitsPerMm) {
    std::printf(
        "layer  colour   mode     shapes   area mm²    time s  power %%    speed  passes  "
        "hatch\n");
    double totalMs = 0.0;
    for (size_t i = 0; i < plan.layers.size(); ++i) {
        const drawing::PlanLayer& l = plan.layers[i];
        const drawing::LayerSettings& s = l.settings;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", l.colour.r, l.colour.g, l.colour.b);
        const double ms = i < layerMs.size() ? layerMs[i] : 0.0;
        totalMs += ms;
        std::printf("%5zu  %-7s  %-7s  %6zu  %9.1f  %8.1f  %7.1f  %7g  %6d  %s", i + 1, colour,
                    std::string(drawing::LayerModeName(s.mode)).c_str(), l.stats.items,
                    l.stats.areaBits2 / (bitsPerMm * bitsPerMm), ms / 1000.0, s.power, s.speed,
                    s.passes, Hatch(s).c_str());
        if (!l.notMarked.empty()) std::printf("  (marks nothing: %s)", l.notMarked.c_str());
        std::printf("\n");
    }
    std::printf("marking time: %.1f s\n", totalMs / 1000.0);
}

// The drawing as a job file at `jobPath` names it: relative to the job file's folder.
std::string DrawingFrom(const std::string& drawing, const std::string& jobPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(drawing, error);
    if (error) return drawing;
    const fs::path folder = fs::absolute(jobPath, error).parent_path();
    const fs::path relative = error ? fs::path() : fs::proximate(absolute, folder, error);
    return error ? absolute.string() : relative.generic_string();
}

bool WriteJob(const std::string& path, const std::string& text) {
    std::string error;
    if (WriteOutputFile(path, text, &error)) return true;
    std::cerr << kCommand << ": cannot write " << error << "\n";
    return false;
}

}  // namespace

int RunLayers(const MarkOptions& options, const std::string& writePath) {
    MarkOptions o = options;
    drawing::JobFile job;
    if (!ReadJob(&o, kCommand, &job)) return 2;
    const std::string clash = OutputOverwritesInput(o.drawing, {writePath});
    if (!clash.empty()) {
        std::cerr << kCommand << ": " << clash
                  << " is the drawing itself; it is not written over\n";
        return 2;
    }
    const drawing::ReadResult read = drawing::ReadDrawing(o.drawing);
    if (!read.ok) {
        std::cerr << kCommand << ": cannot read the drawing: " << read.error << "\n";
        return 2;
    }
    for (const std::string& w : read.drawing.warnings) {
        std::cerr << kCommand << ": warning: " << w << "\n";
    }
    drawing::MarkPlan plan;
    std::string why;
    drawing::PlanOptions planning = o.plan;
    planning.resolve = LayerRules(job, CommandLineLayer(o));
    if (!drawing::PlanDrawing(read.drawing, planning, &plan, &why)) {
        std::cerr << kCommand << ": " << o.drawing << ": " << why << "\n";
        return 2;
    }
    const double bitsPerMm = o.plan.raster.bitsPerMm;
    PrintTable(plan, ProgressTracker(plan, o.jumpSpeed).LayerMs(), bitsPerMm);
    if (writePath.empty()) return 0;
    if (!WriteJob(writePath, drawing::FormatJobFile(plan.layers, bitsPerMm,
                                                    DrawingFrom(o.drawing, writePath)))) {
        return 1;
    }
    std::cout << "job file: " << writePath << "\n";
    return 0;
}

}  // namespace txorb::cli
