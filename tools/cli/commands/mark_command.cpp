#include "cli/commands/mark_command.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <vector>

#include "cli/commands/card_timing.h"
#include "cli/commands/decode.h"
#include "cli/commands/job_layers.h"
#include "cli/commands/outputs.h"
#include "cli/run/execution_watch.h"
#include "cli/run/interrupt.h"
#include "cli/run/library_errors.h"
#include "cli/run/list_player.h"
#include "cli/run/offline_preview.h"
#include "cli/run/outcome.h"
#include "cli/run/output_file.h"
#include "cli/run/progress.h"
#include "drawing/input/read_drawing.h"
#include "drawing/plan/plan.h"
#include "drawing/program/list_program.h"
#include "proto/list_records.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A preview runs the virtual card this many times faster than a real card would mark.
constexpr double kPreviewTimeScale = 1000.0;
// Longest run of the virtual card at real time before it is sped up (without --time-scale):
// scripts mark many drawings one after another and should not wait for a card that is not there.
constexpr double kLongRunSeconds = 3.0;
// Packets of the initialisation a capture started after it does not hold.
constexpr size_t kHandshakeExchanges = 2;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MarkRun {
public:
    MarkRun(const MarkOptions& o, const drawing::JobFile& job) : o_(o), job_(job) {}
    int Run();

private:
    bool Prepare();
    std::vector<std::string> SimulatorArgs() const;
    double LongRunScale() const;
    bool SetTiming();
    bool OutputsWritable() const;
    int Preview();
    int Mark(CardConnection* card);
    int Stopped(CardConnection* card);
    int KeepCapture(const CardConnection& card);
    void Summary(double wall) const;
    void Results(bool pictures) const;
    int Fail(const std::string& message) const {
        std::cerr << CommandName() << ": " << message << "\n";
        return kFailed;
    }
    bool Refuse(const std::string& message) const {
        Fail(message);
        return false;
    }
    // Messages carry the name of the command that was run.
    const char* CommandName() const { return o_.preview ? "txorb preview" : "txorb mark"; }
    double ExpectedSeconds() const {
        return ProgressTracker(plan_, o_.jumpSpeed).ExpectedMs() / 1000.0;
    }

    const MarkOptions& o_;
    const drawing::JobFile& job_;
    std::string prefix_;
    drawing::MarkPlan plan_;
    drawing::ListProgram program_;
    std::map<std::string, size_t> notMarked_;
    size_t exchanges_ = 0;       // packets sent and status polls
    size_t listBytes_ = 0;       // in list-records packets
    double cardSeconds_ = -1.0;  // the in-process card's time; < 0: the plan's estimate
};

// Reads and plans the drawing; false when it cannot be marked (the reason is printed).
bool MarkRun::Prepare() {
    const drawing::ReadResult read = drawing::ReadDrawing(o_.drawing);
    if (!read.ok) {
        std::cerr << CommandName() << ": cannot read the drawing: " << read.error << "\n";
        return false;
    }
    for (const std::string& w : read.drawing.warnings) {
        std::cerr << CommandName() << ": warning: " << w << "\n";
    }
    if (o_.plan.mode == drawing::FitMode::kPage && !read.drawing.page) {
        std::cerr << CommandName() << ": note: " << o_.drawing
                  << " has no page (viewBox, or width and height): fitted by what is drawn\n";
    }
    std::string why;
    drawing::PlanOptions planning = o_.plan;
    planning.resolve = LayerRules(job_, CommandLineLayer(o_));
    if (!drawing::PlanDrawing(read.drawing, planning, &plan_, &why)) {
        std::cerr << CommandName() << ": " << o_.drawing << ": " << why << "\n";
        return false;
    }
    notMarked_ = read.drawing.notMarked;
    drawing::ProgramOptions program;
    program.ramps = o_.ramps;
    program.jumpSpeed = o_.jumpSpeed;
    program.timing.jumpDelay = o_.jumpDelay.value_or(0);
    program.timing.markDelay = o_.markDelay.value_or(0);
    program.timing.polyDelay = o_.polyDelay.value_or(0);
    program.timing.laserOffDelay = o_.laserOffDelay.value_or(0);
    program.timing.laserOnDelay = o_.laserOnDelay.value_or(0);
    program_ = drawing::BuildListProgram(plan_, program);
    return true;
}

std::vector<std::string> MarkRun::SimulatorArgs() const {
    std::vector<std::string> args = {"--render", prefix_};
    if (!o_.simLog.empty()) args.insert(args.end(), {"--log", o_.simLog});
    const double timeScale = o_.preview         ? kPreviewTimeScale
                             : o_.timeScale > 0 ? o_.timeScale
                                                : LongRunScale();
    if (timeScale > 0) args.insert(args.end(), {"--time-scale", FormatDouble(timeScale)});
    return args;
}

// A virtual card left at real time would keep a large drawing running for many minutes: it
// runs faster then, so that the run takes about kLongRunSeconds, and says so.
double MarkRun::LongRunScale() const {
    const double seconds = ExpectedSeconds();
    if (seconds <= kLongRunSeconds) return 0.0;
    const double scale = std::ceil(seconds / kLongRunSeconds);
    std::cerr << CommandName() << ": note: the virtual card runs " << FormatDouble(scale)
              << " times as fast as a card (--time-scale 1 for real time)\n";
    return scale;
}

bool MarkRun::SetTiming() {
    std::string failure;
    return SetCardTiming(o_, &failure) || Refuse(failure);
}

int MarkRun::Stopped(CardConnection* card) {
    if (card->IsUp()) {
        const bool stopped = Stop_Execution();
        std::cerr << CommandName() << ": interrupted; "
                  << (stopped ? "the card is stopped" : ExportFailure("Stop_Execution")) << "\n";
    }
    card->Close();
    return kInterrupted;
}

// The program loaded into the card and run to its end.
int MarkRun::Mark(CardConnection* card) {
    if (!card->Start(card->UsesSimulator() ? SimulatorArgs() : std::vector<std::string>{})) {
        return kFailed;
    }
    if (Interrupted()) return Stopped(card);
    if (!card->Initialise() || !SetTiming()) return kFailed;
    WatchOptions watch;
    watch.pollMs = o_.pollMs;
    watch.timeoutSeconds = o_.timeoutSeconds;
    watch.progressBar = o_.progress && ::isatty(STDERR_FILENO);
    // Each list (one, or with ramps one per layer) is loaded and run to its end in turn.
    for (size_t next = 0; next < program_.commands.size();) {
        const PlayOutcome played = PlayList(program_, next);
        next += played.played;
        if (played.end == PlayOutcome::End::kInterrupted) return Stopped(card);
        if (played.end == PlayOutcome::End::kFailed) return Fail(played.failure);
        const WatchOutcome run = ExecuteAndWatch(ProgressTracker(plan_, o_.jumpSpeed), watch);
        exchanges_ += run.statusPolls;
        if (run.end == WatchOutcome::End::kInterrupted) return Stopped(card);
        if (run.end == WatchOutcome::End::kFailed) return Fail(run.failure);
    }
    return kDone;
}

// Every output can be made where it goes, before the drawing is marked: a run does not end in
// a failed picture or capture.
bool MarkRun::OutputsWritable() const {
    std::vector<std::string> outputs = {o_.capture, o_.simLog};
    if (o_.preview || o_.choice != CardChoice::kRegistry) {
        outputs.insert(outputs.end(), {prefix_ + ".png", prefix_ + ".svg"});
    }
    for (const std::string& path : outputs) {
        std::string error;
        if (!path.empty() && !CanWriteOutput(path, &error)) {
            Fail("cannot write " + error);
            return false;
        }
    }
    return true;
}

// A preview without ramps: the virtual card in this process, fed what the library would send.
int MarkRun::Preview() {
    std::vector<proto::Packet> setup = CardTimingPackets(o_);
    const OfflineOutcome run = PreviewOnOfflineCard(program_, setup, prefix_);
    if (run.end == OfflineOutcome::End::kInterrupted) {
        std::cerr << CommandName() << ": interrupted\n";
        return kInterrupted;
    }
    if (run.end == OfflineOutcome::End::kFailed) return Fail(run.failure);
    exchanges_ = run.packets;
    listBytes_ = run.listBytes;
    cardSeconds_ = run.seconds;
    return kDone;
}

// The capture the connection kept, written where --capture says; its counts for the summary.
int MarkRun::KeepCapture(const CardConnection& card) {
    listBytes_ = program_.Records() * proto::kListRecordBytes;
    if (card.CapturePath().empty()) return kDone;
    const std::vector<uint8_t> bytes = ReadAll(card.CapturePath());
    const DecodeStats stats = CountCapture(bytes);
    exchanges_ += stats.packets + (card.HandshakeCaptured() ? 0 : kHandshakeExchanges);
    listBytes_ = stats.listBytes;
    std::string error;
    if (!o_.capture.empty() &&
        !WriteOutputFile(o_.capture, std::string(bytes.begin(), bytes.end()), &error)) {
        return Fail("cannot write " + error);
    }
    return kDone;
}

void MarkRun::Summary(double wall) const {
    size_t paths = 0, vectors = 0, bitmapLines = 0;
    for (const drawing::PlanLayer& layer : plan_.layers) {
        paths += layer.polylines.size();
        for (const auto& line : layer.polylines) vectors += line.size();
        bitmapLines += layer.bitmapLines.size();
    }
    char wallText[32];
    std::snprintf(wallText, sizeof wallText, "%.2f s", wall);
    std::cout << (o_.preview ? "previewed " : "marked ") << o_.drawing << ": " << paths
              << " paths, " << vectors << " vectors (" << paths << " jumps, " << plan_.MarkMoves()
              << " marks), ";
    if (bitmapLines > 0) std::cout << bitmapLines << " bitmap lines, ";
    std::cout << listBytes_ << " list bytes, " << exchanges_ << " exchanges, " << wallText << "\n";
    std::cout << "jump travel: " << std::lround(plan_.jumpLengthBefore)
              << " bits in the drawing's order, " << std::lround(plan_.jumpLength)
              << " bits as marked\n";
    for (const auto& [kind, count] : notMarked_) {
        std::cout << "not marked: " << kind << ": " << count << "\n";
    }
}

// What was made: the expected time of a preview, the pictures (when the card drew them), the
// capture. Only what was written is named.
void MarkRun::Results(bool pictures) const {
    if (o_.preview) {
        char expected[48];
        std::snprintf(expected, sizeof expected, "%.1f s",
                      cardSeconds_ >= 0 ? cardSeconds_ : ExpectedSeconds());
        std::cout << "estimated marking time: " << expected << "\n";
    }
    if (pictures) {
        for (const char* ext : {".svg", ".png"}) {
            std::cout << "picture: " << fs::absolute(prefix_ + ext).string() << "\n";
        }
    }
    if (!o_.capture.empty()) std::cout << "capture: " << o_.capture << "\n";
}

int MarkRun::Run() {
    const auto started = Clock::now();
    prefix_ = PicturePrefix(o_.drawing, o_.out, o_.preview ? ".preview" : ".marked");
    const std::string clash = OutputOverwritesInput(
        o_.drawing, {prefix_ + ".svg", prefix_ + ".png", o_.capture, o_.simLog});
    if (!clash.empty()) {
        std::cerr << CommandName() << ": " << clash << " is the drawing itself; it is not written "
                  << "over (give --out another name)\n";
        return kBadInput;
    }
    if (!Prepare()) return kBadInput;
    if (!OutputsWritable()) return kFailed;
    InstallInterruptHandler();
    // With ramps the library itself rewrites the lists: a preview of them needs it.
    if (o_.preview && !o_.ramps) {
        if (const int rc = Preview(); rc != kDone) return rc;
        Summary(std::chrono::duration<double>(Clock::now() - started).count());
        Results(true);
        return kDone;
    }
    ConnectionOptions connection;
    connection.card = o_.card;
    connection.choice = o_.preview ? CardChoice::kSimulator : o_.choice;
    connection.command = CommandName();
    connection.capture = true;
    CardConnection card(connection);
    if (const int rc = Mark(&card); rc != kDone) return rc;
    if (!card.Close()) return kFailed;  // the virtual card could not write its pictures or log
    if (const int rc = KeepCapture(card); rc != kDone) return rc;
    Summary(std::chrono::duration<double>(Clock::now() - started).count());
    Results(card.UsesSimulator());
    return kDone;
}

}  // namespace

int RunMark(const MarkOptions& options) {
    MarkOptions o = options;
    drawing::JobFile job;
    if (!ReadJob(&o, options.preview ? "txorb preview" : "txorb mark", &job)) return kBadInput;
    return MarkRun(o, job).Run();
}

}  // namespace txorb::cli
