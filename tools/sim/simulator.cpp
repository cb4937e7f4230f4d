#include "simulator.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "pci_identity.h"
#include "proto/opcodes.h"

namespace txorb::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::steady_clock;

// A packet left half-received this long is dropped, so that a burst of line noise cannot
// hold the parser forever; the host sends each packet in one go.
constexpr std::chrono::milliseconds kStalePacket{500};

bool ParseHex(const std::string& text, std::vector<uint8_t>* out) {
    if (text.size() % 2 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned v = 0;
        if (std::sscanf(text.c_str() + i, "%2x", &v) != 1) return false;
        out->push_back(static_cast<uint8_t>(v));
    }
    return true;
}

// The reply a command gets when a fault says it was not carried out.
std::vector<uint8_t> NotExecutedReply(uint8_t opcode) {
    const proto::CommandInfo* info = proto::FindCommand(opcode);
    if (info == nullptr || info->reply == proto::ReplyKind::kStatus) return {0};
    return std::vector<uint8_t>(info->replyBytes, 0);
}

}  // namespace

std::string ResolveSocketPath(const std::string& fromOption) {
    if (!fromOption.empty()) return fromOption;
    const char* env = std::getenv(kSocketEnv);
    return env != nullptr && *env != '\0' ? env : kDefaultSocket;
}

Simulator::Simulator(Options options)
    : options_(std::move(options)),
      disk_(options_.disk),
      card_(this, &disk_),
      output_(options_.baud),
      picture_(options_.maxPictureMoves),
      start_(steady_clock::now()) {
    card_.SetStartInput(options_.autoStart, std::llround(options_.startEverySeconds * 1e6));
}

Simulator::~Simulator() {
    if (signalFd_ >= 0) ::close(signalFd_);
}

int64_t Simulator::SimNowUs() const {
    const double wallUs =
        double(std::chrono::duration_cast<microseconds>(steady_clock::now() - start_).count());
    return static_cast<int64_t>(wallUs * options_.timeScale);
}

SteadyTime Simulator::WallAt(int64_t simUs) const {
    const double wallUs = double(simUs) / options_.timeScale;
    if (wallUs > 1e15) return SteadyTime::max();
    return start_ + microseconds(static_cast<int64_t>(std::ceil(wallUs)));
}

bool Simulator::Start() {
    for (const auto& ruleText : options_.faults) {
        std::string error;
        if (!faults_.Add(ruleText, &error)) {
            std::fprintf(stderr, "txorb-sim: --fault %s: %s\n", ruleText.c_str(), error.c_str());
            return false;
        }
    }
    std::string error;
    if (!log_.Open(options_.log, &error)) {
        ReportOutputFailure(error);
        return false;
    }
    if (!server_.Listen(ResolveSocketPath(options_.socket), &error)) {
        std::fprintf(stderr, "txorb-sim: cannot listen: %s\n", error.c_str());
        return false;
    }
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd_ < 0) {
        std::fprintf(stderr, "txorb-sim: signalfd: %s\n", std::strerror(errno));
        return false;
    }
    if (!OpenLine()) return false;
    log_.Note(0, "start",
              "\"socket\":" + JsonString(server_.Path()) +
                  ",\"time_scale\":" + std::to_string(options_.timeScale) +
                  ",\"baud\":" + std::to_string(options_.baud));
    return true;
}

bool Simulator::OpenLine() {
    pty_ = std::make_unique<proto::PtyPair>();
    if (!pty_->Ok()) {
        std::fprintf(stderr, "txorb-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return false;
    }
    parser_.Reset();
    if (!options_.link.empty()) {
        // Replace the link atomically, so a host opening it never finds it missing.
        const std::string temp = options_.link + ".new";
        ::unlink(temp.c_str());
        if (::symlink(pty_->SlavePath().c_str(), temp.c_str()) != 0 ||
            ::rename(temp.c_str(), options_.link.c_str()) != 0) {
            std::fprintf(stderr, "txorb-sim: cannot link %s: %s\n", options_.link.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    std::printf("%s\n", pty_->SlavePath().c_str());
    std::fflush(stdout);
    log_.Note(SimNowUs(), "line", "\"path\":" + JsonString(pty_->SlavePath()));
    return true;
}

void Simulator::HangUp() {
    hangUpPending_ = false;
    output_.Clear();
    log_.Note(SimNowUs(), "hangup", "");
    pty_.reset();  // the host sees its line drop
    if (!OpenLine()) quit_ = true;
}

void Simulator::OnMove(const Move& move) {
    log_.MoveDone(move);
    if (!picture_.Add(move)) NotePictureFull(move.t0);
}

void Simulator::OnPixelLine(const PixelLine& line) {
    if (!picture_.Add(line)) NotePictureFull(SimNowUs());
}

void Simulator::NotePictureFull(int64_t tUs) {
    if (pictureFull_) return;
    pictureFull_ = true;
    log_.Note(tUs, "picture_full", "\"moves\":" + std::to_string(picture_.Size()));
}

void Simulator::Feed(const uint8_t* data, size_t count, const char* link) {
    lastByte_ = steady_clock::now();
    packets_.clear();
    parser_.Feed(data, count, &packets_);
    for (const auto& packet : packets_) OnPacket(packet, link);
}

void Simulator::OnPacket(const proto::Packet& packet, const char* link) {
    const int64_t now = SimNowUs();
    log_.Packet(now, packet, link);
    const FaultDecision decision = faults_.Decide(packet.opcode);
    if (decision.hangUp) {
        hangUpPending_ = true;
        output_.Clear();
        return;
    }
    std::vector<uint8_t> data;
    if (decision.status0) {
        data = NotExecutedReply(packet.opcode);
    } else {
        card_.Handle(packet, now, &data);
    }
    const std::vector<uint8_t> bytes = ShapeReply(data, decision);
    if (!bytes.empty()) {
        output_.Push(bytes, steady_clock::now() + std::chrono::milliseconds(decision.delayMs),
                     std::chrono::milliseconds(decision.gapMs));
        log_.Reply(now, packet.opcode, bytes, decision.delayMs, decision.gapMs);
    }
}

void Simulator::ReadPty() {
    uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(pty_->MasterFd(), buf, sizeof buf);
        if (n > 0) {
            Feed(buf, static_cast<size_t>(n), "serial");
            if (!pty_) return;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // EIO: nobody holds the slave side; wait a little before looking again.
        ptyQuietUntil_ = steady_clock::now() + std::chrono::milliseconds(20);
        return;
    }
}

bool Simulator::WritePictures(const std::string& prefix, std::string* error) {
    if (prefix.empty()) {  // nothing was asked to be written: no output failed
        *error = "no --render prefix";
        return false;
    }
    card_.AdvanceTo(SimNowUs());
    const bool ok = RenderPictures(picture_, prefix, options_.renderOptions, error);
    log_.Note(SimNowUs(), "render",
              "\"prefix\":" + JsonString(prefix) + ",\"ok\":" + (ok ? "true" : "false"));
    if (!ok) ReportOutputFailure(*error);
    return ok;
}

void Simulator::ReportOutputFailure(const std::string& error) {
    std::fprintf(stderr, "txorb-sim: cannot write %s\n", error.c_str());
    outputFailed_ = true;
}

bool Simulator::OnLine(const std::string& line, std::string* reply) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in >> std::ws, rest);
    if (word.empty()) return false;
    if (word == "par") {  // bytes from the port-driver module: no answer
        std::vector<uint8_t> bytes;
        if (ParseHex(rest, &bytes)) Feed(bytes.data(), bytes.size(), "parallel");
        return false;
    }
    const int64_t now = SimNowUs();
    if (!AnswerCardCommand(word, rest, now, reply) && !AnswerLineCommand(word, rest, now, reply)) {
        *reply = "error unknown command '" + word + "'";
    }
    return true;
}

bool Simulator::AnswerCardCommand(const std::string& word, const std::string& rest, int64_t now,
                                  std::string* reply) {
    if (word == "state") {
        card_.AdvanceTo(now);
        *reply = "ok " + card_.StateJson(now);
    } else if (word == "status") {
        card_.AdvanceTo(now);
        *reply = "ok " + std::to_string(card_.StatusWord(now));
    } else if (word == "render") {
        std::string error;
        *reply = WritePictures(options_.render, &error) ? "ok" : "error " + error;
    } else if (word == "picture") {
        // One picture per part: what was marked since the last one, then a fresh picture.
        std::string error;
        if (rest.empty()) {
            *reply = "error picture needs a PREFIX";
        } else if (WritePictures(rest, &error)) {
            picture_.Clear();
            pictureFull_ = false;
            *reply = "ok";
        } else {
            *reply = "error " + error;
        }
    } else if (word == "start") {
        card_.ExternalStart(now);
        *reply = "ok";
    } else if (word == "counter" || word == "jobcontrol") {
        unsigned long v = std::strtoul(rest.c_str(), nullptr, 0);
        if (word == "counter") {
            card_.SetExternalCounter(static_cast<uint32_t>(v), now);
        } else {
            card_.SetJobControl(static_cast<uint16_t>(v));
        }
        *reply = "ok";
    } else {
        return false;
    }
    return true;
}

bool Simulator::AnswerLineCommand(const std::string& word, const std::string& rest, int64_t now,
                                  std::string* reply) {
    if (word == "hello") {
        *reply = "ok txorb-sim 1";
    } else if (word == "pci") {
        *reply = PciAnswer(rest);
    } else if (word == "fault") {
        std::string error;
        *reply = faults_.Add(rest, &error) ? "ok" : "error " + error;
        log_.Note(now, "fault", "\"rule\":" + JsonString(rest));
    } else if (word == "faults") {
        if (rest == "clear") faults_.Clear();
        *reply = "ok " + faults_.Describe();
    } else if (word == "hangup") {
        hangUpPending_ = true;
        *reply = "ok";
    } else if (word == "path") {
        *reply = "ok " + (pty_ ? pty_->SlavePath() : std::string());
    } else if (word == "quit") {
        quit_ = true;
        *reply = "ok";
    } else if (word == "help") {
        *reply =
            "ok commands: hello, pci BUS SLOT, par HEX, fault RULE, faults [clear], state, "
            "status, render, picture PREFIX, start, counter N, jobcontrol N, hangup, path, quit";
    } else {
        return false;
    }
    return true;
}

std::string Simulator::PciAnswer(const std::string& busAndSlot) const {
    int bus = -1, slot = -1;
    std::array<uint8_t, 256> header{};
    const PciPlacement placement{options_.pciBus, options_.pciDevice, options_.parallelBase,
                                 options_.fifoBase};
    if (std::sscanf(busAndSlot.c_str(), "%d %d", &bus, &slot) == 2 &&
        PciConfigHeader(placement, bus, slot, &header)) {
        return "ok " + HexBytes(header.data(), header.size());
    }
    return "none";
}

void Simulator::Housekeeping(SteadyTime now) {
    card_.AdvanceTo(SimNowUs());
    if (pty_ && !output_.Flush(pty_->MasterFd(), now)) output_.Clear();
    if (hangUpPending_ && output_.Empty()) HangUp();
    if (parser_.PendingBytes() > 0 && now - lastByte_ >= kStalePacket) {
        log_.Note(SimNowUs(), "discard", "\"bytes\":" + std::to_string(parser_.PendingBytes()));
        parser_.Reset();
    }
    // The card keeps answering without its log: the host program is not cut off mid-list.
    if (!log_.Flush() && !logFailureReported_) {
        logFailureReported_ = true;
        ReportOutputFailure(log_.Error());
    }
}

// Waits until the next thing is due (a reply byte, a list record, a stale packet, the pty's
// quiet time) or something arrives; the poll result, with fds[0] the signals and fds[1] the pty.
int Simulator::WaitForWork(SteadyTime now, std::vector<pollfd>* fds, bool* watchPty) {
    SteadyTime wake = std::min(output_.NextDue(), now + std::chrono::seconds(1));
    const int64_t next = card_.NextEventUs();
    if (parser_.PendingBytes() > 0) wake = std::min(wake, lastByte_ + kStalePacket);
    if (next >= 0) wake = std::min(wake, std::max(WallAt(next), now + microseconds(200)));
    const bool outputDue = output_.NextDue() <= now;
    fds->clear();
    fds->push_back(pollfd{signalFd_, POLLIN, 0});
    *watchPty = pty_ && now >= ptyQuietUntil_;
    fds->push_back(pollfd{*watchPty ? pty_->MasterFd() : -1,
                          static_cast<short>(POLLIN | (outputDue ? POLLOUT : 0)), 0});
    if (!*watchPty) wake = std::min(wake, ptyQuietUntil_);
    server_.AddPollFds(fds);
    const auto waitNs = std::max<int64_t>(
        0, std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now).count());
    timespec ts{static_cast<time_t>(waitNs / 1000000000), static_cast<long>(waitNs % 1000000000)};
    return ::ppoll(fds->data(), fds->size(), &ts, nullptr);
}

void Simulator::ReadSignals() {
    signalfd_siginfo info{};
    while (::read(signalFd_, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1) {
            std::string error;
            WritePictures(options_.render, &error);
        } else {
            quit_ = true;
        }
    }
}

void Simulator::Finish() {
    card_.AdvanceTo(SimNowUs());
    log_.Note(SimNowUs(), "exit", "");
    std::string error;
    if (!options_.render.empty()) WritePictures(options_.render, &error);
    if (!log_.Close(&error) && !logFailureReported_) ReportOutputFailure(error);
    if (!options_.link.empty()) {
        std::error_code ec;
        if (std::filesystem::is_symlink(options_.link, ec))
            std::filesystem::remove(options_.link, ec);
    }
}

int Simulator::Run() {
    std::vector<pollfd> fds;
    while (!quit_) {
        const SteadyTime now = steady_clock::now();
        Housekeeping(now);
        bool watchPty = false;
        const int r = WaitForWork(now, &fds, &watchPty);
        if (r < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "txorb-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (r == 0) continue;
        if ((fds[0].revents & POLLIN) != 0) ReadSignals();
        if (watchPty && fds[1].revents != 0) {
            if ((fds[1].revents & POLLIN) != 0) {
                ReadPty();
            } else if ((fds[1].revents & (POLLHUP | POLLERR)) != 0) {
                ptyQuietUntil_ = steady_clock::now() + std::chrono::milliseconds(20);
            }
        }
        server_.Serve(fds, [this](const std::string& line, std::string* reply) {
            return OnLine(line, reply);
        });
    }
    Finish();
    return outputFailed_ ? kExitOutputFailed : 0;
}

int Simulator::StartFailureStatus() const {
    return outputFailed_ ? kExitOutputFailed : kExitCannotStart;
}

}  // namespace txorb::sim
