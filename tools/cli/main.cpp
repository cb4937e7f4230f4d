// txorb: mark drawings with a TX-ORB card (or the virtual one), read captures, ask the card.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "cli/card_commands.h"
#include "cli/mark_run.h"

namespace {

using txorb::cli::CardChoice;

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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"txorb - mark drawings with a TX-ORB scan-controller card and look at what "
                 "was sent to it"};
    app.require_subcommand(1);

    // mark
    txorb::cli::MarkOptions mark;
    bool markSim = false, markNoSim = false;
    double sizeMm = 0.0, bitsPerMm = 0.0;
    std::optional<uint16_t> laserOn, laserOff, jumpDelay, markDelay, polyDelay;
    bool noProgress = false;
    auto* markCmd = app.add_subcommand("mark", "Mark an SVG drawing and show what was marked");
    markCmd->add_option("drawing", mark.drawing, "The SVG file")->required()->check(CLI::ExistingFile);
    AddCardOptions(markCmd, &mark.card, &markSim, &markNoSim);
    auto* field = markCmd->add_option("--field", mark.fit.fieldBits,
                                      "Edge of the square the drawing is fitted into, in bits "
                                      "(default 60000)")
                      ->check(CLI::Range(1.0, 65535.0));
    auto* size = markCmd->add_option("--size", sizeMm, "Edge of that square in mm (with --bits-per-mm)")
                     ->check(CLI::PositiveNumber)
                     ->excludes(field);
    markCmd->add_option("--bits-per-mm", bitsPerMm, "Field bits per mm for --size")
        ->check(CLI::PositiveNumber)
        ->needs(size);
    size->needs("--bits-per-mm");
    markCmd->add_option("--tolerance", mark.fit.toleranceBits,
                        "Largest distance between a curve and its straight moves, in bits "
                        "(default 1)")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--mark-speed", mark.markSpeed, "Mark speed in bits/ms (default 250)")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--jump-speed", mark.jumpSpeed, "Jump speed in bits/ms (default 1000)")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--laser-on-delay", laserOn, "Laser-on delay");
    markCmd->add_option("--laser-off-delay", laserOff, "Laser-off delay");
    markCmd->add_option("--jump-delay", jumpDelay, "Jump delay");
    markCmd->add_option("--mark-delay", markDelay, "Mark delay");
    markCmd->add_option("--poly-delay", polyDelay, "Polygon delay");
    markCmd->add_flag("--ramps", mark.ramps,
                      "Let the library cut polylines into micro-segments with power and speed "
                      "ramps (Set_Mode 0x200 and Set_Custlist_Parameters)");
    markCmd->add_option("--lead-in", mark.leadInPercent, "Ramps: lead-in power in % (default 5)");
    markCmd->add_option("--lead-out", mark.leadOutPercent, "Ramps: lead-out power in % (default 5)");
    markCmd->add_option("--ramp-length", mark.rampLength,
                        "Ramps: bits from standstill to the mark speed (default 2000)")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--slope", mark.slope, "Ramps: power control slope (overrides --ramp-length)")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--micro-segment", mark.microSegment,
                        "Ramps: micro-segment length in bits (default 200)")
        ->check(CLI::Range(1, 65535));
    markCmd->add_option("--out", mark.out,
                        "Where the virtual card's pictures go: PREFIX (PREFIX.svg, PREFIX.png); "
                        "default: next to the drawing as NAME.marked.svg/.png");
    markCmd->add_option("--sim-log", mark.simLog, "The virtual card's JSON Lines log file");
    markCmd->add_option("--time-scale", mark.timeScale, "The virtual card's time scale")
        ->check(CLI::PositiveNumber);
    markCmd->add_option("--capture", mark.capture,
                        "Keep the command capture here (read it with `txorb decode`)");
    markCmd->add_option("--poll-ms", mark.pollMs, "Status poll interval in ms (default 50)")
        ->check(CLI::Range(1, 10000));
    markCmd->add_option("--timeout", mark.timeoutSeconds,
                        "Give up (and stop the card) after this many seconds; default: 20 times "
                        "the expected time, at least 60 s")
        ->check(CLI::PositiveNumber);
    markCmd->add_flag("--no-progress", noProgress, "No progress bar");

    // decode
    std::string capture;
    bool json = false;
    auto* decodeCmd = app.add_subcommand(
        "decode", "Print a command capture (CMD_dump_file / Output_To_File) packet by packet");
    decodeCmd->add_option("capture", capture, "The capture file")->required();
    decodeCmd->add_flag("--json", json, "One JSON object per packet and line");

    // info, config, goto, stop
    txorb::cli::CardOptions cardOptions;
    bool sim = false, noSim = false;
    auto* infoCmd = app.add_subcommand(
        "info", "Library and card versions, identity, status word and link descriptors");
    AddCardOptions(infoCmd, &cardOptions.card, &sim, &noSim);
    uint16_t configCard = 1;
    auto* configCmd = app.add_subcommand(
        "config", "What the registry store gives a card: COM device, parallel and FIFO "
                  "addresses, timeout, capture file");
    configCmd->add_option("--card", configCard, "Card slot 1..10 (default 1)")->check(CLI::Range(1, 10));
    int16_t gx = 0, gy = 0;
    auto* gotoCmd = app.add_subcommand("goto", "Move the scan head to X Y (field bits)");
    gotoCmd->add_option("x", gx, "X")->required();
    gotoCmd->add_option("y", gy, "Y")->required();
    AddCardOptions(gotoCmd, &cardOptions.card, &sim, &noSim);
    auto* stopCmd = app.add_subcommand("stop", "Stop the card's list execution");
    AddCardOptions(stopCmd, &cardOptions.card, &sim, &noSim);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    try {
        if (*markCmd) {
            if (sizeMm > 0) mark.fit.fieldBits = sizeMm * bitsPerMm;
            if (mark.fit.fieldBits > 65535.0) {
                std::cerr << "txorb mark: --size times --bits-per-mm is " << mark.fit.fieldBits
                          << " bits; the field holds at most 65535\n";
                return 2;
            }
            mark.laserOnDelay = laserOn;
            mark.laserOffDelay = laserOff;
            mark.jumpDelay = jumpDelay;
            mark.markDelay = markDelay;
            mark.polyDelay = polyDelay;
            mark.progress = !noProgress;
            mark.choice = Choice(markSim, markNoSim);
            return txorb::cli::RunMark(mark);
        }
        if (*decodeCmd) return txorb::cli::RunDecode(capture, json);
        cardOptions.choice = Choice(sim, noSim);
        if (*infoCmd) return txorb::cli::RunInfo(cardOptions);
        if (*configCmd) return txorb::cli::RunConfig(configCard);
        if (*gotoCmd) return txorb::cli::RunGoto(cardOptions, gx, gy);
        if (*stopCmd) return txorb::cli::RunStop(cardOptions);
    } catch (const std::exception& e) {
        std::cerr << "txorb: " << e.what() << "\n";
        return 1;
    }
    return 1;
}
