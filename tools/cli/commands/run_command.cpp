#include "cli/commands/run_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/commands/card_timing.h"
#include "cli/commands/job_plan.h"
#include "cli/production/journal.h"
#include "cli/production/program_hash.h"
#include "cli/production/run_progress.h"
#include "cli/run/execution_watch.h"
#include "cli/run/interrupt.h"
#include "cli/run/list_player.h"
#include "cli/run/operator_input.h"
#include "cli/run/outcome.h"
#include "cli/run/sim_control.h"
#include "drawing/program/list_program.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kCommand = "txorb run";
// With the card waiting for its start input, a part may wait as long as the line stands:
// only Ctrl-C (or --timeout) ends the wait.
constexpr double kNoTimeLimitSeconds = 1e9;

std::string Beside(const std::string& job, const char* suffix) {
    fs::path p(job);
    return (p.parent_path() / (p.stem().string() + suffix)).string();
}

// How a part ended, for its journal record and the exit status.
struct PartEnd {
    int status = kDone;  // the exit status when the run stops here
    PartOutcome outcome = PartOutcome::kMarked;
    int code = 0;
    std::string text;
};

class ProductionRun {
public:
    explicit ProductionRun(const RunOptions& o) : o_(o), progress_(o.count, Clock::now()) {}
    int Run();

private:
    bool Prepare();
    bool OpenJournal();
    bool ChooseStart();
    bool Connect();
    std::vector<std::string> SimulatorArgs() const;
    int MarkPart();
    PartEnd Send(int64_t serial, const drawing::MarkPlan& plan,
                 const std::vector<drawing::FieldValue>& values, drawing::ListProgram program);
    PartEnd Play(const drawing::MarkPlan& plan, const drawing::ListProgram& program);
    int Finish(int64_t serial, const PartEnd& end);
    void ShowProgress(bool last) const;
    void Summary(double seconds) const;
    int Fail(const std::string& message, int status) const {
        std::cerr << kCommand << ": " << message << "\n";
        return status;
    }

    const RunOptions& o_;
    JobPlan job_;
    std::string journalPath_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<CardConnection> card_;
    std::string cardName_;
    std::string out_;
    StartMode start_ = StartMode::kAuto;
    drawing::ProgramOptions program_;
    RunProgress progress_;
    int64_t firstSerial_ = 0, lastSerial_ = 0;
};

// The job planned, one part tried (so that a value a code cannot hold stops the run before a
// serial is taken), the start chosen and the journal opened; false after saying why.
bool ProductionRun::Prepare() {
    if (!PrepareJobPlan(o_.mark, kCommand, &job_)) return false;
    drawing::MarkPlan trial;
    std::string error;
    const int64_t first = job_.job.firstSerial.value_or(1);
    if (!job_.parts.Plan(first, std::chrono::system_clock::now(), &trial, nullptr, &error)) {
        Fail(error, 2);
        return false;
    }
    program_.ramps = o_.mark.ramps;
    program_.jumpSpeed = o_.mark.jumpSpeed;
    program_.timing.jumpDelay = o_.mark.jumpDelay.value_or(0);
    program_.timing.markDelay = o_.mark.markDelay.value_or(0);
    program_.timing.polyDelay = o_.mark.polyDelay.value_or(0);
    program_.timing.laserOffDelay = o_.mark.laserOffDelay.value_or(0);
    program_.timing.laserOnDelay = o_.mark.laserOnDelay.value_or(0);
    return ChooseStart() && OpenJournal();
}

bool ProductionRun::OpenJournal() {
    journalPath_ = o_.journal.empty() ? DefaultJournalPath(o_.mark.job) : o_.journal;
    std::string error;
    journal_ = Journal::Open(journalPath_, job_.job.firstSerial.value_or(1), &error);
    if (!journal_) return Fail(error, false);
    if (journal_->InterruptedAtOpen() > 0) {
        std::cerr << kCommand << ": note: " << journal_->InterruptedAtOpen()
                  << " part(s) of a run that was stopped recorded as interrupted\n";
    }
    return true;
}

bool ProductionRun::ChooseStart() {
    ConnectionOptions connection;
    connection.card = o_.mark.card;
    connection.choice = o_.mark.choice;
    connection.command = kCommand;
    card_ = std::make_unique<CardConnection>(connection);
    const bool sim = card_->UsesSimulator();
    cardName_ = "card " + std::to_string(o_.mark.card) + (sim ? " (virtual)" : "");
    if (o_.startEvery > 0 && !sim) {
        return Fail("--start-every is the virtual card's; a real card starts from its input",
                    false);
    }
    start_ = o_.start;
    if (start_ == StartMode::kAuto) {
        start_ = sim && o_.startEvery <= 0 ? StartMode::kNow : StartMode::kExternal;
    }
    if (start_ == StartMode::kExternal && sim && o_.startEvery <= 0) {
        return Fail(
            "the virtual card fires no start input: give --start-every SECONDS, or "
            "--start now or enter",
            false);
    }
    if (sim) {
        out_ = o_.out.empty() ? DefaultPicturesFolder(o_.mark.job) : o_.out;
        std::error_code ec;
        fs::create_directories(out_, ec);
        if (ec) return Fail("cannot make the folder " + out_ + ": " + ec.message(), false);
    }
    return true;
}

std::vector<std::string> ProductionRun::SimulatorArgs() const {
    std::vector<std::string> args;
    if (!o_.mark.simLog.empty()) args.insert(args.end(), {"--log", o_.mark.simLog});
    if (o_.mark.timeScale > 0) {
        args.insert(args.end(), {"--time-scale", std::to_string(o_.mark.timeScale)});
    }
    if (o_.startEvery > 0) {
        args.insert(args.end(), {"--start-every", std::to_string(o_.startEvery)});
    }
    return args;
}

bool ProductionRun::Connect() {
    if (!card_->Start(card_->UsesSimulator() ? SimulatorArgs() : std::vector<std::string>{}) ||
        !card_->Initialise()) {
        return false;
    }
    std::string failure;
    return SetCardTiming(o_.mark, &failure) || Fail(failure, false);
}

// The part's lists played and run to their end, one after another.
PartEnd ProductionRun::Play(const drawing::MarkPlan& plan, const drawing::ListProgram& program) {
    WatchOptions watch;
    watch.pollMs = o_.mark.pollMs;
    watch.timeoutSeconds = o_.mark.timeoutSeconds > 0       ? o_.mark.timeoutSeconds
                           : start_ == StartMode::kExternal ? kNoTimeLimitSeconds
                                                            : 0.0;
    auto failed = [](std::string text) {
        return PartEnd{kFailed, PartOutcome::kFailed, static_cast<int>(txorb_thread_last_failure()),
                       std::move(text)};
    };
    const PartEnd interrupted{kInterrupted, PartOutcome::kInterrupted, 0, ""};
    for (size_t next = 0; next < program.commands.size();) {
        const PlayOutcome played = PlayList(program, next);
        next += played.played;
        if (played.end == PlayOutcome::End::kInterrupted) return interrupted;
        if (played.end == PlayOutcome::End::kFailed) return failed(played.failure);
        const WatchOutcome run = ExecuteAndWatch(ProgressTracker(plan, o_.mark.jumpSpeed), watch);
        if (run.end == WatchOutcome::End::kInterrupted) return interrupted;
        if (run.end == WatchOutcome::End::kFailed) return failed(run.failure);
    }
    return {};
}

// The part's program recorded, sent and run, and its picture taken.
PartEnd ProductionRun::Send(int64_t serial, const drawing::MarkPlan& plan,
                            const std::vector<drawing::FieldValue>& values,
                            drawing::ListProgram program) {
    if (start_ == StartMode::kExternal) {
        program.commands.insert(program.commands.begin(),
                                drawing::ListCommand{drawing::ListOp::kWaitForStart});
    }
    std::string error;
    if (!journal_->DescribePart(serial, values, program.Records() * 5, ListProgramHash(program),
                                &error)) {
        return {kFailed, PartOutcome::kFailed, 0, error};
    }
    PartEnd end = Play(plan, program);
    if (end.outcome != PartOutcome::kMarked || out_.empty()) return end;
    if (!SimPicture(card_->SimSocket(), (fs::path(out_) / std::to_string(serial)).string(),
                    &error)) {
        end.status = kFailed;  // the part is marked; only its picture is missing
        end.text = "cannot write the picture of part " + std::to_string(serial) + ": " + error;
    }
    return end;
}

int ProductionRun::MarkPart() {
    if (start_ == StartMode::kEnter) {
        std::cerr << kCommand << ": part " << progress_.Done() + 1 << "/" << o_.count
                  << ": press Enter to mark it (Ctrl-C stops)\n";
        const EnterKey key = WaitForEnter();
        if (key == EnterKey::kClosed) return Fail("standard input ended: no more starts", kFailed);
    }
    if (Interrupted())
        return Fail("interrupted before the next part; it was not started", kInterrupted);
    StartedPart part;
    std::string error;
    if (!journal_->StartPart(cardName_, &part, &error)) return Fail(error, kFailed);
    drawing::MarkPlan plan;
    std::vector<drawing::FieldValue> values;
    if (!job_.parts.Plan(part.serial, part.started, &plan, &values, &error)) {
        return Finish(part.serial, {kBadInput, PartOutcome::kFailed, 0, error});
    }
    return Finish(part.serial,
                  Send(part.serial, plan, values, drawing::BuildListProgram(plan, program_)));
}

int ProductionRun::Finish(int64_t serial, const PartEnd& end) {
    std::string error;
    if (!journal_->FinishPart(serial, end.outcome, end.code, end.text, &error)) {
        return Fail(error, kFailed);
    }
    if (end.outcome == PartOutcome::kInterrupted) {
        if (card_->IsUp()) Stop_Execution();
        std::cerr << kCommand << ": interrupted; part " << serial << " recorded as interrupted\n";
        return kInterrupted;
    }
    if (end.outcome == PartOutcome::kFailed) {
        return Fail("part " + std::to_string(serial) + " failed: " + end.text, end.status);
    }
    if (firstSerial_ == 0) firstSerial_ = serial;
    lastSerial_ = serial;
    progress_.PartDone(serial, Clock::now());
    ShowProgress(progress_.Done() == o_.count);
    return end.status != kDone ? Fail(end.text, end.status) : kDone;
}

// On a terminal one line kept up to date; elsewhere a line per part.
void ProductionRun::ShowProgress(bool last) const {
    static const bool terminal = ::isatty(STDERR_FILENO) != 0;
    if (!o_.mark.progress) return;
    if (terminal) {
        std::cerr << "\r\033[K" << progress_.Line() << (last ? "\n" : "") << std::flush;
    } else {
        std::cerr << progress_.Line() << "\n";
    }
}

void ProductionRun::Summary(double seconds) const {
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f s (%.1f parts/min)", seconds, progress_.Rate());
    std::cout << "marked " << progress_.Done() << " parts, serials " << firstSerial_ << " to "
              << lastSerial_ << ", in " << rate << "\n";
    for (const auto& [kind, count] : job_.notMarked) {
        std::cout << "not marked: " << kind << ": " << count << "\n";
    }
    std::cout << "journal: " << fs::absolute(journalPath_).string() << "\n";
    if (!out_.empty()) std::cout << "pictures: " << fs::absolute(out_).string() << "\n";
}

int ProductionRun::Run() {
    const auto started = Clock::now();
    if (!Prepare()) return kBadInput;
    InstallInterruptHandler();
    if (!Connect()) return Interrupted() ? kInterrupted : kFailed;
    progress_ = RunProgress(o_.count, Clock::now());
    for (int i = 0; i < o_.count; ++i) {
        const int status = MarkPart();
        if (status != kDone) return status;
    }
    card_->Close();
    Summary(std::chrono::duration<double>(Clock::now() - started).count());
    return kDone;
}

}  // namespace

std::string DefaultJournalPath(const std::string& job) { return Beside(job, ".journal.sqlite"); }
std::string DefaultPicturesFolder(const std::string& job) { return Beside(job, ".parts"); }

int RunJob(const RunOptions& options) { return ProductionRun(options).Run(); }

}  // namespace txorb::cli
