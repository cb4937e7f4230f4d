// A ListProgram as the packets the library would send a card for it, without the library: the
// list records of each command cut into list-records packets exactly where the library cuts
// them, bitmap lines as packets of their own, each list's end. The in-process card of a
// preview is fed these; the list player stays the one caller of the library's list exports.
#pragma once

#include <cstddef>
#include <vector>

#include "drawing/program/list_program.h"
#include "proto/list_packets.h"
#include "proto/packet.h"

namespace txorb::cli {

// Hands the packets of the commands from `first` up to and including the next end of list
// (the list the card then runs) to send, each as it is made; *next is where the list after it
// starts. False when send stopped it (*next then says nothing).
bool SendListPackets(const drawing::ListProgram& program, size_t first, size_t* next,
                     const proto::PacketSink& send);

// The same packets, gathered.
std::vector<proto::Packet> ListPackets(const drawing::ListProgram& program, size_t first,
                                       size_t* next);

}  // namespace txorb::cli
