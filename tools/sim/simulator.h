// The running simulator: one thread, one poll loop over the pty, the line socket and a
// signalfd. Packets from the pty and from the port-driver module feed one packet parser and
// one virtual card; replies always leave on the pty, shaped by the fault plan and paced by
// the output queue.
#pragma once

#include <poll.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "event_log.h"
#include "fault_plan.h"
#include "line_server.h"
#include "moves.h"
#include "options.h"
#include "output_queue.h"
#include "picture.h"
#include "proto/packet.h"
#include "proto/pty.h"
#include "target_disk.h"
#include "virtual_card.h"

namespace txorb::sim {

// Exit statuses: 0, or 1 when the card could not start (a pty, the socket, a fault rule), or 3
// when an output (a picture, the log) could not be created or written; each failure is told on
// stderr as "txorb-sim: cannot write PATH: reason" when it happens.
inline constexpr int kExitCannotStart = 1;
inline constexpr int kExitOutputFailed = 3;

class Simulator : public MoveSink {
public:
    explicit Simulator(Options options);
    ~Simulator() override;

    // Sets everything up; false with a message on stderr when something cannot start, and
    // StartFailureStatus() is the exit status.
    bool Start();
    int StartFailureStatus() const;
    // Runs until SIGINT, SIGTERM or "quit"; returns the exit status.
    int Run();

    void OnMove(const Move& move) override;
    void OnPixelLine(const PixelLine& line) override;

private:
    bool OpenLine();
    void HangUp();
    void ReadPty();
    void Feed(const uint8_t* data, size_t count, const char* link);
    void OnPacket(const proto::Packet& packet, const char* link);
    // One control line; false when it gets no answer.
    bool OnLine(const std::string& line, std::string* reply);
    // Each answers false for a command that is not its own.
    bool AnswerCardCommand(const std::string& word, const std::string& rest, int64_t now,
                           std::string* reply);
    bool AnswerLineCommand(const std::string& word, const std::string& rest, int64_t now,
                           std::string* reply);
    std::string PciAnswer(const std::string& busAndSlot) const;
    void Housekeeping(SteadyTime now);
    int WaitForWork(SteadyTime now, std::vector<pollfd>* fds, bool* watchPty);
    void ReadSignals();
    void Finish();
    // Writes PREFIX.png and .svg; a failure is reported on stderr and sets the exit status.
    bool WritePictures(const std::string& prefix, std::string* error);
    void ReportOutputFailure(const std::string& error);
    void NotePictureFull(int64_t tUs);
    int64_t SimNowUs() const;
    SteadyTime WallAt(int64_t simUs) const;

    Options options_;
    std::unique_ptr<proto::PtyPair> pty_;
    proto::PacketParser parser_;
    std::vector<proto::Packet> packets_;
    TargetDisk disk_;
    VirtualCard card_;
    FaultPlan faults_;
    OutputQueue output_;
    EventLog log_;
    LineServer server_;
    Picture picture_;
    bool pictureFull_ = false;
    bool outputFailed_ = false;
    bool logFailureReported_ = false;
    SteadyTime start_;
    int signalFd_ = -1;
    bool quit_ = false;
    bool hangUpPending_ = false;
    SteadyTime ptyQuietUntil_{};
    SteadyTime lastByte_{};  // when the parser was last fed
};

}  // namespace txorb::sim
