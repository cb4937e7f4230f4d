// txorb-sim: a TX-ORB card in software, on a pseudo-terminal.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "options.h"
#include "simulator.h"
#include "txorb_build_version.h"

namespace {

using txorb::sim::Options;

// The card and the library it stands beside come from one release.
std::string VersionText() {
    return std::string("txorb-sim ") + TXORB_RELEASE_VERSION + "\nlibtxorb " +
           TXORB_RELEASE_VERSION;
}

void AddOutputOptions(CLI::App& app, Options& o) {
    app.add_option("--link", o.link, "Make PATH a symlink to the pty slave (kept up to date)")
        ->type_name("PATH");
    app.add_option("--render", o.render,
                   "Write PREFIX.svg and PREFIX.png of what was marked at exit and on SIGUSR1")
        ->type_name("PREFIX");
    app.add_option("--render-size", o.renderOptions.sizePx, "Picture size in pixels")
        ->check(CLI::Range(16, 16384))
        ->capture_default_str();
    app.add_flag("--render-fit", o.renderOptions.fit,
                 "Zoom the pictures to what was drawn instead of the whole field");
    app.add_option("--spot", o.spotMm,
                   "Width of the laser spot in mm: marks are drawn this wide, their energy "
                   "spread across it")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--bits-per-mm", o.bitsPerMm, "Field bits per mm, to place --spot in the field")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--log", o.log, "Write a JSON Lines log of every packet, reply and move to FILE")
        ->type_name("FILE");
}

void AddCardOptions(CLI::App& app, Options& o) {
    app.add_option("--baud", o.baud,
                   "Pace replies at this line rate (10 bits a byte); 0 sends at once")
        ->capture_default_str();
    app.add_option("--time-scale", o.timeScale,
                   "Simulated seconds per real second (10 runs lists ten times faster)")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--disk", o.disk,
                   "Keep the card's target disk in DIR (created if missing); default: in memory")
        ->type_name("DIR");
    app.add_option("--socket", o.socket,
                   "Control and port-driver socket (default: $TXORB_SIM_SOCKET, else "
                   "/tmp/txorb-sim.sock)")
        ->type_name("PATH");
    app.add_option("--fault", o.faults,
                   "Inject a fault, KIND[=VALUE][@OPCODES][#TIMES]; repeatable. Kinds: status0, "
                   "delay=MS, length=N, garbage[=N], trickle=MS, silent, hangup=N. OPCODES: * "
                   "(all but 34) or a comma list. Example: --fault 'silent@65#1'")
        ->type_name("RULE");
    app.add_flag("--auto-start", o.autoStart,
                 "Do not wait at Wait_For_External_Start (else send \"start\" on the socket)");
    app.add_option("--start-every", o.startEverySeconds,
                   "Fire the start input every SECONDS of simulated time: "
                   "Wait_For_External_Start waits for the next one")
        ->check(CLI::PositiveNumber)
        ->type_name("SECONDS");
}

void AddBusOptions(CLI::App& app, Options& o) {
    app.add_option("--pci-bus", o.pciBus, "PCI bus of the card's interface")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    app.add_option("--pci-device", o.pciDevice,
                   "PCI device number of the card's interface; -1 shows no card on the bus")
        ->check(CLI::Range(-1, 31))
        ->capture_default_str();
    app.add_option("--parallel-base", o.parallelBase, "I/O base of the parallel data port (BAR0)")
        ->capture_default_str();
    app.add_option("--fifo-base", o.fifoBase, "I/O base of the FIFO port (BAR1)")
        ->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{
        "txorb-sim: a virtual TX-ORB card on a pseudo-terminal.\n"
        "Prints the pty slave path on stdout (again after every hang-up) and runs until SIGINT,\n"
        "SIGTERM or the control command \"quit\". SIGUSR1 writes the pictures at once.\n"
        "Exit status: 0; 1 when it cannot start; 3 when a picture or the log could not be\n"
        "written (told on stderr with the path and the reason).\n"
        "The card model, the status word and the control protocol are described in\n"
        "tools/sim/README.md."};
    app.set_version_flag("--version", VersionText(), "Print the versions of the card and library");
    AddOutputOptions(app, o);
    AddCardOptions(app, o);
    AddBusOptions(app, o);
    app.add_option("--max-picture-moves", o.maxPictureMoves,
                   "Keep at most this many marks, dots and bitmap lines for the pictures (the log "
                   "keeps all)")
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    o.renderOptions.spotBits = o.spotMm * o.bitsPerMm;

    try {
        txorb::sim::Simulator simulator(std::move(o));
        if (!simulator.Start()) return simulator.StartFailureStatus();
        return simulator.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "txorb-sim: %s\n", e.what());
        return 1;
    }
}
