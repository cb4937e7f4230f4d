#include "cli/commands/frame_command.h"

#include <chrono>
#include <iostream>

#include "cli/commands/card_timing.h"
#include "cli/commands/job_plan.h"
#include "cli/run/execution_watch.h"
#include "cli/run/interrupt.h"
#include "cli/run/library_errors.h"
#include "cli/run/list_player.h"
#include "cli/run/operator_input.h"
#include "cli/run/outcome.h"
#include "drawing/program/frame_program.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

constexpr const char* kCommand = "txorb frame";

int Fail(const std::string& message) {
    std::cerr << kCommand << ": " << message << "\n";
    return kFailed;
}

// The box of the drawing and of a part's items (its serial as the job's first, its time now:
// what a part will look like).
bool FrameBox(const FrameOptions& o, drawing::FieldBox* box) {
    JobPlan job;
    if (!PrepareJobPlan(o.mark, kCommand, &job)) return false;
    drawing::MarkPlan plan;
    std::string error;
    if (!job.parts.Plan(job.job.firstSerial.value_or(1), std::chrono::system_clock::now(), &plan,
                        nullptr, &error)) {
        std::cerr << kCommand << ": " << error << "\n";
        return false;
    }
    const std::optional<drawing::FieldBox> marked = drawing::MarkedBox(plan);
    if (!marked) {
        std::cerr << kCommand << ": nothing would be marked\n";
        return false;
    }
    *box = *marked;
    return true;
}

// Rounds of the box until the count, Enter or Ctrl-C; kDone, or kFailed after a failure.
int Rounds(const FrameOptions& o, const drawing::FieldBox& box) {
    const drawing::ListProgram round = drawing::FrameProgram(box);
    WatchOptions watch;
    watch.pollMs = o.mark.pollMs;
    for (int done = 0; o.times == 0 || done < o.times; ++done) {
        const PlayOutcome played = PlayList(round);
        if (played.end == PlayOutcome::End::kInterrupted) return kDone;
        if (played.end == PlayOutcome::End::kFailed) return Fail(played.failure);
        const WatchOutcome run = ExecuteAndWatch(ProgressTracker(drawing::MarkPlan{}, 1.0), watch);
        if (run.end == WatchOutcome::End::kInterrupted) return kDone;
        if (run.end == WatchOutcome::End::kFailed) return Fail(run.failure);
        if (o.times == 0 && EnterPressed() != EnterKey::kNone) return kDone;
    }
    return kDone;
}

}  // namespace

int RunFrame(const FrameOptions& o) {
    drawing::FieldBox box;
    if (!FrameBox(o, &box)) return kBadInput;
    ConnectionOptions connection;
    connection.card = o.mark.card;
    connection.choice = o.mark.choice;
    connection.command = kCommand;
    CardConnection card(connection);
    InstallInterruptHandler();
    std::vector<std::string> simArgs;
    if (!o.mark.simLog.empty()) simArgs = {"--log", o.mark.simLog};
    if (!card.Start(card.UsesSimulator() ? simArgs : std::vector<std::string>{}) ||
        !card.Initialise()) {
        return Interrupted() ? kInterrupted : kFailed;
    }
    std::string failure;
    if (!SetCardTiming(o.mark, &failure)) return Fail(failure);
    std::cerr << kCommand << ": framing " << box.low.x << " " << box.low.y << " to " << box.high.x
              << " " << box.high.y << " bits" << (o.times == 0 ? "; Enter or Ctrl-C stops" : "")
              << "\n";
    int status = Rounds(o, box);
    if (Interrupted()) {
        Stop_Execution();
        status = kInterrupted;
    }
    // Immediate, so that it happens after Ctrl-C too.
    if (!Goto_XY(0, 0) && status == kDone) status = Fail(ExportFailure("Goto_XY"));
    card.Close();
    return status;
}

}  // namespace txorb::cli
