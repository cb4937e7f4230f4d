#include "cli/run/offline_preview.h"

#include <memory>

#include "cli/run/interrupt.h"
#include "cli/run/program_packets.h"
#include "proto/list_packets.h"
#include "proto/list_records.h"
#include "proto/opcodes.h"
#include "sim/offline_card.h"

namespace txorb::cli {
namespace {

constexpr uint16_t kList1 = 0;  // Execute_List_1's list index

OfflineOutcome Failed(std::string why) {
    OfflineOutcome out;
    out.end = OfflineOutcome::End::kFailed;
    out.failure = std::move(why);
    return out;
}

// Carries out the packet, counted; one the card refuses (status 0) is named.
bool Send(sim::OfflineCard* card, const proto::Packet& packet, OfflineOutcome* out,
          std::string* why) {
    ++out->packets;
    if (packet.opcode == proto::op::kListRecords) out->listBytes += packet.payload.size();
    const std::vector<uint8_t> reply = card->Send(packet);
    if (reply.size() == 1 && reply[0] == 0) {
        *why = "the virtual card refused " + proto::CommandName(packet.opcode);
        return false;
    }
    return true;
}

bool SendAll(sim::OfflineCard* card, const std::vector<proto::Packet>& packets, OfflineOutcome* out,
             std::string* why) {
    for (const proto::Packet& packet : packets) {
        if (!Send(card, packet, out, why)) return false;
    }
    return true;
}

}  // namespace

OfflineOutcome PreviewOnOfflineCard(const drawing::ListProgram& program,
                                    const std::vector<proto::Packet>& setup,
                                    const std::string& prefix) {
    sim::OfflineCardOptions options;
    options.autoStart = true;  // a preview does not wait for a start that nobody gives
    auto card = std::make_unique<sim::OfflineCard>(options);
    OfflineOutcome out;
    std::string why;
    if (!SendAll(card.get(), setup, &out, &why)) return Failed(why);
    const int64_t started = card->NowUs();
    // Each list (one, or with ramps one per layer) is sent, packet by packet as it is made,
    // and run to its end in turn.
    const auto send = [&](const proto::Packet& packet) {
        return Send(card.get(), packet, &out, &why);
    };
    for (size_t next = 0; next < program.commands.size();) {
        if (Interrupted()) {
            out.end = OfflineOutcome::End::kInterrupted;
            return out;
        }
        if (!SendListPackets(program, next, &next, send) ||
            !send(proto::RequestPacket(proto::op::kExecuteList, proto::WordPayload(kList1)))) {
            return Failed(why);
        }
        const sim::OfflineRun run = card->Run();
        if (run.end != sim::OfflineEnd::kIdle) {
            return Failed(run.end == sim::OfflineEnd::kTimeLimit
                              ? "the list did not end within a day of the card's time"
                              : "the list waits for what a preview cannot give");
        }
    }
    out.seconds = static_cast<double>(card->NowUs() - started) / 1e6;
    // The card and its lists go before the pictures are drawn: only what it marked is kept.
    const sim::Picture picture = card->TakePicture();
    card.reset();
    if (!sim::RenderPictures(picture, prefix, options.render, &why)) {
        return Failed("cannot write " + why);
    }
    return out;
}

}  // namespace txorb::cli
