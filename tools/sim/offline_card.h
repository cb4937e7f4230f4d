// The virtual card inside the caller's process, for a preview and for tests: it takes the
// packets the library would send, runs the lists in simulated time as fast as the host can,
// and draws what they marked. No pty, no socket, no waiting in real time.
//
// Time stands still while packets arrive (the link is infinitely fast) and moves on only in
// Run(), so a list that is executed while it is still being sent runs as if it had all been
// there. Replies are those of a card (tools/sim/README.md); nothing throws. Not thread-safe:
// one thread uses one card.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture.h"
#include "proto/packet.h"
#include "renderer.h"

namespace txorb::sim {

class TargetDisk;
class VirtualCard;

struct OfflineCardOptions {
    RenderOptions render;
    size_t maxPictureItems = 2000000;  // marks, dots and bitmap lines kept for the pictures
    bool autoStart = false;            // Wait_For_External_Start does not wait
    double startEverySeconds = 0;      // the start input fires this often; 0: never
};

// Why Run() returned.
enum class OfflineEnd {
    kIdle,       // no list is running (it ended, or none was started)
    kWaiting,    // the list waits for what nothing here will give: a start, a counter value, or
                 // more records of a list not yet closed
    kTimeLimit,  // still running after the time allowed
};

struct OfflineRun {
    int64_t elapsedUs = 0;  // simulated time that passed in this Run()
    OfflineEnd end = OfflineEnd::kIdle;
};

class OfflineCard {
public:
    static constexpr int64_t kDefaultRunLimitUs = int64_t{24} * 3600 * 1000000;  // a day

    explicit OfflineCard(const OfflineCardOptions& options = {});
    ~OfflineCard();
    OfflineCard(const OfflineCard&) = delete;
    OfflineCard& operator=(const OfflineCard&) = delete;

    // Carries out one packet now; returns the reply's data (the status byte, or the data of a
    // query; empty for a command without a reply).
    std::vector<uint8_t> Send(const proto::Packet& packet);
    std::vector<uint8_t> Send(uint8_t opcode, std::vector<uint8_t> payload);
    // Request bytes as the library writes them on the line (either framing); replies are
    // dropped. Returns the number of packets carried out; an unfinished one waits for more.
    size_t Feed(const uint8_t* data, size_t count);

    // Lets simulated time pass until no list runs, the list waits for nothing that will come,
    // or limitUs have passed.
    OfflineRun Run(int64_t limitUs = kDefaultRunLimitUs);

    int64_t NowUs() const { return nowUs_; }  // since the card was made
    uint16_t StatusWord() const;
    const Picture& Pictured() const { return picture_; }
    // Writes prefix.png and prefix.svg of what was marked so far (each under a temporary name,
    // renamed when complete); false with "PATH: reason".
    bool WritePictures(const std::string& prefix, std::string* error) const;
    void ClearPicture() { picture_.Clear(); }
    // Hands over what was marked so far and starts an empty picture: a caller done with the
    // card can let it and its lists go before drawing.
    Picture TakePicture();

private:
    class Recorder;

    OfflineCardOptions options_;
    Picture picture_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<TargetDisk> disk_;
    std::unique_ptr<VirtualCard> card_;
    proto::PacketParser parser_;
    int64_t nowUs_ = 0;
};

}  // namespace txorb::sim
