// txorb: mark drawings with a TX-ORB card (or the virtual one), read captures, ask the card.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/commands/card_commands.h"
#include "cli/commands/config_command.h"
#include "cli/commands/decode.h"
#include "cli/commands/frame_command.h"
#include "cli/commands/journal_command.h"
#include "cli/commands/layers_command.h"
#include "cli/commands/mark_command.h"
#include "cli/commands/run_command.h"
#include "cli/run/outcome.h"
#include "drawing/job/job_file.h"
#include "drawing/model/colour.h"
#include "txorb/txorb.h"
#include "txorb_build_version.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using txorb::cli::CardChoice;
using txorb::cli::kBadInput;
using txorb::cli::kDone;
using txorb::cli::kFailed;

void AddCardOptions(CLI::App* cmd, uint16_t* card, bool* sim, bool* noSim) {
    cmd->add_option("--card", *card, "Card slot 1..10 (default 1)")->check(CLI::Range(1, 10));
    auto* s = cmd->add_flag("--sim", *sim,
                            "Use the virtual card (txorb-sim, or TXORB_SIM); the default when "
                            "the registry store names no COM port for the card");
    cmd->add_flag("--no-sim", *noSim, "Use the card the registry store names")->excludes(s);
}

CardChoice Choice(bool sim, bool noSim) {
    return sim ? CardChoice::kSimulator : noSim ? CardChoice::kRegistry : CardChoice::kAuto;
}

// Everything `mark` and `preview` are told on the command line, before it is checked.
struct MarkCommand {
    txorb::cli::MarkOptions mark;
    bool sim = false, noSim = false;
    double sizeMm = 0.0, bitsPerMm = 0.0;
    std::optional<uint16_t> laserOn, laserOff, jumpDelay, markDelay, polyDelay;
    bool noProgress = false;
    bool noFill = false, oneWay = false;
    std::string fitMode, mirror, dither = "none", order = "short";
    CLI::Option* field = nullptr;
    CLI::Option *minDelay = nullptr, *maxDelay = nullptr;
    std::string skipColour = "white", tone = "power";
    std::vector<double> offset;
};

void AddPlacementOptions(CLI::App* cmd, MarkCommand* m) {
    auto& plan = m->mark.plan;
    auto* field = cmd->add_option("--field", plan.fieldBits,
                                  "Edge of the square the drawing is fitted into, in bits "
                                  "(default 60000)")
                      ->check(CLI::Range(1.0, 65535.0));
    m->field = field;
    cmd->add_option("--size", m->sizeMm,
                    "Edge of that square in mm, at --bits-per-mm (default: --field)")
        ->check(CLI::PositiveNumber)
        ->excludes(field);
    cmd->add_option("--bits-per-mm", m->bitsPerMm,
                    "Field bits per mm, for --size and --dpi (default 600)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--fit", m->fitMode,
                    "drawing: what is drawn fills the square; page: the page (viewBox, else "
                    "width and height) does, so positions on the page are kept; size: at the "
                    "size the file gives (DXF's units, with --bits-per-mm), centred. Default: "
                    "size for a DXF without --size or --field, else drawing")
        ->check(CLI::IsMember({"drawing", "page", "size"}));
    cmd->add_option("--rotate", plan.rotate, "Turn clockwise by 90, 180 or 270 degrees (default 0)")
        ->check(CLI::IsMember({0, 90, 180, 270}));
    cmd->add_option("--mirror", m->mirror,
                    "x: swap left and right; y: swap top and bottom (default: neither)")
        ->check(CLI::IsMember({"x", "y"}));
    cmd->add_option("--offset", m->offset, "Move by X Y bits after everything else (default 0 0)")
        ->expected(2);
    cmd->add_option("--tolerance", plan.toleranceBits,
                    "Largest distance between a curve and its straight moves, in bits "
                    "(default 1)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--order", m->order,
                    "short: reorder and reverse paths to cut the jumps (default); input: as drawn")
        ->check(CLI::IsMember({"input", "short"}));
    cmd->add_option("--order-time", plan.orderSeconds,
                    "Seconds the ordering may spend improving the order (default 1)")
        ->check(CLI::NonNegativeNumber);
}

void AddFillOptions(CLI::App* cmd, MarkCommand* m) {
    auto& hatch = m->mark.plan.hatch;
    cmd->add_flag("--no-fill", m->noFill,
                  "Mark the outline of every shape and nothing inside (no hatching, nothing "
                  "knocked out)");
    cmd->add_flag("--outline", hatch.outlineAll,
                  "Mark the outline of filled shapes without a stroke too");
    cmd->add_option("--hatch-spacing", hatch.spacing, "Bits between hatch lines (default 30)")
        ->check(CLI::Range(1.0, 65535.0));
    cmd->add_option("--hatch-angle", hatch.angle,
                    "Direction of the hatch lines in degrees (default 0)");
    cmd->add_flag("--cross-hatch", hatch.cross, "A second set of hatch lines at right angles");
    cmd->add_option("--hatch-inset", hatch.inset, "Bits kept free inside the outline (default 0)")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--skip-colour", m->skipColour,
                    "Paint of this colour covers what is below it but is not marked "
                    "(default white)");
    cmd->add_option("--tone", m->tone,
                    "How each colour's darkness is marked: power (its ink, 1 - luminance, times "
                    "the layer's power; the default), density (every n-th hatch line, n = 1 / "
                    "ink up to 16), both (half of it each way) or none (every colour at the "
                    "layer's power)")
        ->check(CLI::IsMember({"power", "density", "both", "none"}));
    cmd->add_option("--min-ink", m->mark.plan.minInk,
                    "With --tone none: paint paler than this (1 - luminance, times opacity) is "
                    "not marked, as it hardly shows (default 0.3; 0 marks every colour but the "
                    "skip colour)")
        ->check(CLI::Range(0.0, 1.0));
    // What a drawing may ask for: refused before planning, with the figure, when it asks more.
    auto& plan = m->mark.plan;
    cmd->add_option("--max-vectors", plan.maxVectors,
                    "Refuse a drawing estimated to need more marks and jumps (default 5000000)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--max-pixels", plan.maxPixels,
                    "Refuse a drawing estimated to need more bitmap pixels (default 50000000)")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--clip-to-field", plan.clipToField,
                  "Cut marks at the edge of the card's field (default: refuse a drawing that "
                  "reaches beyond it)");
}

void AddRasterOptions(CLI::App* cmd, MarkCommand* m) {
    auto& raster = m->mark.plan.raster;
    auto* dpi = cmd->add_option("--dpi", raster.dpi, "Picture lines per inch (default 254)")
                    ->check(CLI::PositiveNumber);
    cmd->add_option("--line-spacing", raster.lineSpacing,
                    "Bits between picture lines and pixels (default: from --dpi)")
        ->check(CLI::PositiveNumber)
        ->excludes(dpi);
    m->minDelay = cmd->add_option("--min-delay", raster.minDelay,
                                  "Pixel delay of the lightest marked grey (default 10 once "
                                  "either delay is given). Without --min-delay or --max-delay, "
                                  "delays follow the virtual card's exposure model at the "
                                  "layer's power");
    m->maxDelay = cmd->add_option("--max-delay", raster.maxDelay,
                                  "Pixel delay of black (default 100 once either delay is given)");
    cmd->add_option("--dither", m->dither,
                    "none (grey levels, the default), floyd-steinberg or ordered")
        ->check(CLI::IsMember({"none", "floyd-steinberg", "ordered"}));
    cmd->add_flag("--one-way", m->oneWay, "Every picture line from left to right");
}

// The settings every layer starts from.
void AddSettingOptions(CLI::App* cmd, MarkCommand* m) {
    auto& mark = m->mark;
    cmd->add_option("--mark-speed", mark.markSpeed, "Mark speed in bits/ms (default 250)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--jump-speed", mark.jumpSpeed, "Jump speed in bits/ms (default 1000)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--power", mark.power, "Laser power in % (default 100)")
        ->check(CLI::Range(0.0, 100.0));
    cmd->add_option("--passes", mark.passes, "Each layer's marks, repeated (default 1)")
        ->check(CLI::Range(1, txorb::drawing::kMaxPasses));
}

// The drawing, its job file and the settings every layer starts from.
void AddLayerOptions(CLI::App* cmd, MarkCommand* m) {
    auto& mark = m->mark;
    cmd->add_option("drawing", mark.drawing, "The SVG, DXF, PNG or JPEG file (default: the job's)")
        ->check(CLI::ExistingFile);
    cmd->add_option("--job", mark.job,
                    "A job file (TOML): power, speed, passes, mode and hatch per colour, over "
                    "these options")
        ->check(CLI::ExistingFile);
    AddSettingOptions(cmd, m);
}

void AddTimingOptions(CLI::App* cmd, MarkCommand* m) {
    auto& mark = m->mark;
    cmd->add_option("--laser-on-delay", m->laserOn, "Laser-on delay (default: the card's)");
    cmd->add_option("--laser-off-delay", m->laserOff, "Laser-off delay (default: the card's)");
    cmd->add_option("--jump-delay", m->jumpDelay, "Jump delay (default: the card's)");
    cmd->add_option("--mark-delay", m->markDelay, "Mark delay (default: the card's)");
    cmd->add_option("--poly-delay", m->polyDelay, "Polygon delay (default: the card's)");
    cmd->add_flag("--ramps", mark.ramps,
                  "Let the library cut polylines into micro-segments with power and speed "
                  "ramps (Set_Mode 0x200 and Set_Custlist_Parameters); each layer is a list "
                  "of its own whose Set_Delays scales the ramps' power by the layer's and sets "
                  "the delays above (0 when not given)");
    cmd->add_option("--lead-in", mark.leadInPercent, "Ramps: lead-in power in % (default 5)");
    cmd->add_option("--lead-out", mark.leadOutPercent, "Ramps: lead-out power in % (default 5)");
    cmd->add_option("--ramp-length", mark.rampLength,
                    "Ramps: bits from standstill to the mark speed (default 2000)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--slope", mark.slope,
                    "Ramps: power control slope (default: from --ramp-length)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--micro-segment", mark.microSegment,
                    "Ramps: micro-segment length in bits (default 200)")
        ->check(CLI::Range(1, 65535));
}

void AddCardRunOptions(CLI::App* cmd, MarkCommand* m);

void AddRunOptions(CLI::App* cmd, MarkCommand* m, bool preview) {
    auto& mark = m->mark;
    cmd->add_option("--out", mark.out,
                    preview ? "Where the pictures go: PREFIX (PREFIX.svg, PREFIX.png); default: "
                              "next to the drawing as NAME.preview.svg/.png"
                            : "Where the virtual card's pictures go: PREFIX (PREFIX.svg, "
                              "PREFIX.png); default: next to the drawing as NAME.marked.svg/.png");
    if (preview) {
        cmd->add_flag("--no-progress", m->noProgress, "No progress bar (a preview shows none)");
        return;
    }
    cmd->add_option("--time-scale", mark.timeScale,
                    "The virtual card's time scale (1: real time); default: real time for runs "
                    "up to 3 s, faster for longer ones so that they take about 3 s")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--capture", mark.capture,
                    "Keep the command capture here (read it with `txorb decode`); default: "
                    "none kept");
    AddCardRunOptions(cmd, m);
}

// The card a command runs lists on, and how it watches them.
void AddCardRunOptions(CLI::App* cmd, MarkCommand* m) {
    auto& mark = m->mark;
    AddCardOptions(cmd, &mark.card, &m->sim, &m->noSim);
    cmd->add_option("--sim-log", mark.simLog,
                    "The virtual card's JSON Lines log file (default: none)");
    cmd->add_option("--poll-ms", mark.pollMs, "Status poll interval in ms (default 50)")
        ->check(CLI::Range(1, 10000));
    cmd->add_option("--timeout", mark.timeoutSeconds,
                    "Give up (and stop the card) after this many seconds; default: 20 times "
                    "the expected time, at least 60 s")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--no-progress", m->noProgress, "No progress bar");
}

CLI::App* AddMarkCommand(CLI::App* app, MarkCommand* m, bool preview) {
    auto* cmd = preview ? app->add_subcommand("preview",
                                              "The picture and the expected marking time "
                                              "of a drawing, from the virtual card")
                        : app->add_subcommand("mark",
                                              "Mark a drawing (SVG, DXF, PNG or JPEG) and show "
                                              "what was marked");
    AddLayerOptions(cmd, m);
    AddPlacementOptions(cmd, m);
    AddFillOptions(cmd, m);
    AddRasterOptions(cmd, m);
    AddTimingOptions(cmd, m);
    AddRunOptions(cmd, m, preview);
    return cmd;
}

CLI::App* AddLayersCommand(CLI::App* app, MarkCommand* m, std::string* write) {
    auto* cmd = app->add_subcommand("layers",
                                    "The layers of a drawing, one per final colour: shapes, "
                                    "area, marking time and settings");
    AddLayerOptions(cmd, m);
    cmd->add_option("--write", *write, "Write them as a job file to edit and use with --job");
    AddPlacementOptions(cmd, m);
    AddFillOptions(cmd, m);
    AddRasterOptions(cmd, m);
    return cmd;
}

// The options as `mark`, `preview` and `layers` take them; false after saying why they cannot
// be used.
bool CheckMarkOptions(MarkCommand& m, const char* name, bool preview) {
    auto& mark = m.mark;
    auto& plan = mark.plan;
    if (m.bitsPerMm > 0) plan.raster.bitsPerMm = m.bitsPerMm;
    if (m.sizeMm > 0) plan.fieldBits = m.sizeMm * plan.raster.bitsPerMm;
    if (plan.fieldBits > 65535.0) {
        std::cerr << name << ": --size times --bits-per-mm is " << plan.fieldBits
                  << " bits; the field holds at most 65535\n";
        return false;
    }
    if (!txorb::drawing::ParseColour(m.skipColour, &plan.skipColour)) {
        std::cerr << name << ": --skip-colour " << m.skipColour << ": not a colour\n";
        return false;
    }
    const bool fitted = m.sizeMm > 0 || (m.field != nullptr && m.field->count() > 0);
    plan.mode = m.fitMode == "page" ? txorb::drawing::FitMode::kPage
                : m.fitMode == "drawing" || (m.fitMode.empty() && fitted)
                    ? txorb::drawing::FitMode::kDrawing
                    : txorb::drawing::FitMode::kSize;
    plan.mirror = m.mirror.empty() ? '\0' : m.mirror[0];
    if (m.offset.size() == 2) plan.offsetX = m.offset[0], plan.offsetY = m.offset[1];
    plan.hatch.fill = !m.noFill;
    plan.tone = m.tone == "density" ? txorb::drawing::ToneMode::kDensity
                : m.tone == "both"  ? txorb::drawing::ToneMode::kBoth
                : m.tone == "none"  ? txorb::drawing::ToneMode::kNone
                                    : txorb::drawing::ToneMode::kPower;
    plan.raster.exposureDelays = m.minDelay->count() == 0 && m.maxDelay->count() == 0;
    plan.order =
        m.order == "input" ? txorb::drawing::PathOrder::kInput : txorb::drawing::PathOrder::kShort;
    plan.raster.dither = m.dither == "floyd-steinberg" ? txorb::drawing::Dither::kFloydSteinberg
                         : m.dither == "ordered"       ? txorb::drawing::Dither::kOrdered
                                                       : txorb::drawing::Dither::kNone;
    plan.raster.bidirectional = !m.oneWay;
    mark.laserOnDelay = m.laserOn;
    mark.laserOffDelay = m.laserOff;
    mark.jumpDelay = m.jumpDelay;
    mark.markDelay = m.markDelay;
    mark.polyDelay = m.polyDelay;
    mark.progress = !m.noProgress && !preview;
    mark.preview = preview;
    mark.choice = preview ? CardChoice::kSimulator : Choice(m.sim, m.noSim);
    return true;
}

int RunMarkCommand(MarkCommand& m, bool preview) {
    const char* name = preview ? "txorb preview" : "txorb mark";
    return CheckMarkOptions(m, name, preview) ? txorb::cli::RunMark(m.mark) : kBadInput;
}

// `run`: the job, the count, the start, the journal and the pictures; the rest as for mark.
struct RunCommand {
    MarkCommand m;
    txorb::cli::RunOptions run;
    std::string start;
};

CLI::App* AddRunCommand(CLI::App* app, RunCommand* r) {
    auto* cmd = app->add_subcommand("run",
                                    "Mark parts one after another with a job file, each with the "
                                    "next serial of its journal and its texts and codes filled in");
    cmd->add_option("job", r->m.mark.job, "The job file (TOML)")
        ->required()
        ->check(CLI::ExistingFile);
    cmd->add_option("--count", r->run.count, "Parts to mark (default 1)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--start", r->start,
                    "external: the card waits for its start input (the default, but now on a "
                    "virtual card without --start-every); enter: the operator presses Enter; "
                    "now: at once")
        ->check(CLI::IsMember({"external", "enter", "now"}));
    cmd->add_option("--start-every", r->run.startEvery,
                    "The virtual card fires its start input every SECONDS of its time")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--journal", r->run.journal,
                    "The parts journal (SQLite); default: NAME.journal.sqlite beside the job");
    cmd->add_option("--out", r->run.out,
                    "The folder of the virtual card's pictures, SERIAL.png and SERIAL.svg per "
                    "part; default: NAME.parts beside the job");
    cmd->add_option("--time-scale", r->m.mark.timeScale,
                    "The virtual card's time scale (default 1: real time)")
        ->check(CLI::PositiveNumber);
    AddSettingOptions(cmd, &r->m);
    AddPlacementOptions(cmd, &r->m);
    AddFillOptions(cmd, &r->m);
    AddRasterOptions(cmd, &r->m);
    AddTimingOptions(cmd, &r->m);
    AddCardRunOptions(cmd, &r->m);
    return cmd;
}

int RunRunCommand(RunCommand& r) {
    if (!CheckMarkOptions(r.m, "txorb run", false)) return kBadInput;
    using txorb::cli::StartMode;
    r.run.start = r.start == "external" ? StartMode::kExternal
                  : r.start == "enter"  ? StartMode::kEnter
                  : r.start == "now"    ? StartMode::kNow
                                        : StartMode::kAuto;
    r.run.mark = r.m.mark;
    return txorb::cli::RunJob(r.run);
}

// `frame`: a drawing or a job file (*.toml), placed as `mark` would place it.
struct FrameCommand {
    MarkCommand m;
    std::string input;
    txorb::cli::FrameOptions frame;
};

CLI::App* AddFrameCommand(CLI::App* app, FrameCommand* f) {
    auto* cmd = app->add_subcommand("frame",
                                    "Move the head around the box of what would be marked, laser "
                                    "off, until Enter or Ctrl-C; then to the field's centre");
    cmd->add_option("input", f->input, "The drawing, or a job file (.toml)")
        ->required()
        ->check(CLI::ExistingFile);
    cmd->add_option("--times", f->frame.times, "Rounds, then stop (default: until Enter)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--jump-speed", f->m.mark.jumpSpeed, "Jump speed in bits/ms (default 1000)")
        ->check(CLI::PositiveNumber);
    AddPlacementOptions(cmd, &f->m);
    AddCardRunOptions(cmd, &f->m);
    return cmd;
}

int RunFrameCommand(FrameCommand& f) {
    if (!CheckMarkOptions(f.m, "txorb frame", false)) return kBadInput;
    const bool job = std::filesystem::path(f.input).extension() == ".toml";
    (job ? f.m.mark.job : f.m.mark.drawing) = f.input;
    f.frame.mark = f.m.mark;
    return txorb::cli::RunFrame(f.frame);
}

std::string VersionText() {
    return std::string("txorb ") + TXORB_RELEASE_VERSION + "\nlibtxorb " + txorb_library_version() +
           " (file version " + std::to_string(Get_DLL_Version()) + ")";
}

// Planning makes and drops tables of many megabytes in turn. By default each is mapped for
// itself and handed back when freed, so that the next one has all its pages faulted in anew
// (an eighth of a preview's time); kept in the heap, the next one reuses them.
void KeepFreedMemory() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemory();
    CLI::App app{
        "txorb - mark drawings with a TX-ORB scan-controller card and look at what "
        "was sent to it"};
    app.require_subcommand(1);
    app.footer(txorb::cli::kOutcomeHelp);
    app.set_version_flag("--version", VersionText);

    MarkCommand mark, preview;
    auto* markCmd = AddMarkCommand(&app, &mark, false);
    auto* previewCmd = AddMarkCommand(&app, &preview, true);
    MarkCommand layers;
    std::string layersWrite;
    auto* layersCmd = AddLayersCommand(&app, &layers, &layersWrite);

    std::string capture;
    bool json = false;
    auto* decodeCmd = app.add_subcommand(
        "decode", "Print a command capture (CMD_dump_file / Output_To_File) packet by packet");
    decodeCmd->add_option("capture", capture, "The capture file")->required();
    decodeCmd->add_flag("--json", json, "One JSON object per packet and line");

    txorb::cli::CardOptions cardOptions;
    bool sim = false, noSim = false;
    auto* infoCmd = app.add_subcommand(
        "info", "Library and card versions, identity, status word and link descriptors");
    AddCardOptions(infoCmd, &cardOptions.card, &sim, &noSim);
    uint16_t configCard = 1;
    auto* configCmd =
        app.add_subcommand("config",
                           "What the registry store gives a card: COM device, parallel and FIFO "
                           "addresses, timeout, capture file");
    configCmd->add_option("--card", configCard, "Card slot 1..10 (default 1)")
        ->check(CLI::Range(1, 10));
    int16_t gx = 0, gy = 0;
    auto* gotoCmd = app.add_subcommand("goto", "Move the scan head to X Y (field bits)");
    gotoCmd->add_option("x", gx, "X")->required();
    gotoCmd->add_option("y", gy, "Y")->required();
    AddCardOptions(gotoCmd, &cardOptions.card, &sim, &noSim);
    auto* stopCmd = app.add_subcommand("stop", "Stop the card's list execution");
    AddCardOptions(stopCmd, &cardOptions.card, &sim, &noSim);

    RunCommand run;
    auto* runCmd = AddRunCommand(&app, &run);
    FrameCommand frame;
    auto* frameCmd = AddFrameCommand(&app, &frame);
    std::string journal;
    bool journalCsv = false;
    auto* journalCmd = app.add_subcommand("journal", "The parts a production run recorded");
    journalCmd->add_option("file", journal, "The journal (SQLite)")->required();
    journalCmd->add_flag("--csv", journalCsv, "As CSV, a header line first");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end well; every other parse or check failure is the options'.
        return app.exit(e) == 0 ? kDone : kBadInput;
    }

    try {
        if (*markCmd) return RunMarkCommand(mark, false);
        if (*previewCmd) return RunMarkCommand(preview, true);
        if (*layersCmd) {
            if (!CheckMarkOptions(layers, "txorb layers", true)) return kBadInput;
            return txorb::cli::RunLayers(layers.mark, layersWrite);
        }
        if (*decodeCmd) return txorb::cli::RunDecode(capture, json);
        if (*runCmd) return RunRunCommand(run);
        if (*frameCmd) return RunFrameCommand(frame);
        if (*journalCmd) return txorb::cli::RunJournal(journal, journalCsv);
        cardOptions.choice = Choice(sim, noSim);
        if (*infoCmd) return txorb::cli::RunInfo(cardOptions);
        if (*configCmd) return txorb::cli::RunConfig(configCard);
        if (*gotoCmd) return txorb::cli::RunGoto(cardOptions, gx, gy);
        if (*stopCmd) return txorb::cli::RunStop(cardOptions);
    } catch (const std::exception& e) {
        std::cerr << "txorb: " << e.what() << "\n";
        return kFailed;
    }
    return kFailed;
}
