#include "offline_card.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "target_disk.h"
#include "virtual_card.h"

namespace txorb::sim {

class OfflineCard::Recorder : public MoveSink {
public:
    explicit Recorder(Picture* picture) : picture_(picture) {}
    void OnMove(const Move& move) override { picture_->Add(move); }
    void OnPixelLine(const PixelLine& line) override { picture_->Add(line); }

private:
    Picture* picture_;
};

OfflineCard::OfflineCard(const OfflineCardOptions& options)
    : options_(options),
      picture_(options.maxPictureItems),
      recorder_(std::make_unique<Recorder>(&picture_)),
      disk_(std::make_unique<TargetDisk>("")),
      card_(std::make_unique<VirtualCard>(recorder_.get(), disk_.get())) {
    card_->SetStartInput(options.autoStart, std::llround(options.startEverySeconds * 1e6));
}

OfflineCard::~OfflineCard() = default;

std::vector<uint8_t> OfflineCard::Send(const proto::Packet& packet) {
    std::vector<uint8_t> reply;
    card_->Handle(packet, nowUs_, &reply);
    return reply;
}

std::vector<uint8_t> OfflineCard::Send(uint8_t opcode, std::vector<uint8_t> payload) {
    proto::Packet packet;
    packet.opcode = opcode;
    packet.payload = std::move(payload);
    return Send(packet);
}

size_t OfflineCard::Feed(const uint8_t* data, size_t count) {
    std::vector<proto::Packet> packets;
    parser_.Feed(data, count, &packets);
    for (const proto::Packet& packet : packets) Send(packet);
    return packets.size();
}

OfflineRun OfflineCard::Run(int64_t limitUs) {
    const int64_t start = nowUs_;
    const int64_t deadline = limitUs > std::numeric_limits<int64_t>::max() - start
                                 ? std::numeric_limits<int64_t>::max()
                                 : start + std::max<int64_t>(0, limitUs);
    for (;;) {
        const int64_t next = card_->NextEventUs();
        if (next < 0) break;
        if (next > deadline) {
            nowUs_ = deadline;
            return OfflineRun{nowUs_ - start, OfflineEnd::kTimeLimit};
        }
        card_->AdvanceTo(deadline);  // a bounded number of records at a time
    }
    nowUs_ = std::max(nowUs_, std::min(card_->ListTimeUs(), deadline));
    const bool running = (card_->StatusWord(nowUs_) & status::kBusy) != 0;
    return OfflineRun{nowUs_ - start, running ? OfflineEnd::kWaiting : OfflineEnd::kIdle};
}

uint16_t OfflineCard::StatusWord() const { return card_->StatusWord(nowUs_); }

Picture OfflineCard::TakePicture() {
    Picture taken = std::move(picture_);
    picture_ = Picture(options_.maxPictureItems);
    return taken;
}

bool OfflineCard::WritePictures(const std::string& prefix, std::string* error) const {
    return RenderPictures(picture_, prefix, options_.render, error);
}

}  // namespace txorb::sim
