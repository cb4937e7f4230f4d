#include "link/parallel_link.h"

#include "link/port_driver.h"

namespace txorb::link {
namespace {
constexpr uint32_t kReadyBit = 0x80;
constexpr uint32_t kStatusOffset = 1;
constexpr uint32_t kControlOffset = 2;
}  // namespace

ParallelLink::ParallelLink(uint32_t dataBase, uint32_t fifoBase) : dataBase_(dataBase) {
    // A link whose ports could not be enabled is kept all the same: its sends fail in the
    // handshake, which is where the caller learns about it.
    EnableIoRange(dataBase_, 8, 8);
    EnableIoRange(fifoBase, 8, 8);
    WritePortByte(fifoBase + kControlOffset, 0);
}

bool ParallelLink::WaitForReady(bool set) const {
    const uint32_t status = dataBase_ + kStatusOffset;
    for (uint32_t i = 0; i < kPollBound; ++i) {
        const bool ready = (ReadPortByte(status) & kReadyBit) != 0;
        if (ready == set) return true;
    }
    return false;
}

int32_t ParallelLink::Write(const uint8_t* bytes, int32_t length) {
    if (length < 1 || bytes == nullptr) return 0;
    const uint32_t control = dataBase_ + kControlOffset;
    for (int32_t i = 0; i < length; ++i) {
        WritePortByte(dataBase_, bytes[i]);
        // The peripheral raises the ready bit once it holds the byte; we strobe, it drops the
        // bit when it has taken it, and the strobe goes back down whatever happened.
        if (!WaitForReady(true)) return 0;
        WritePortByte(control, 1);
        const bool taken = WaitForReady(false);
        WritePortByte(control, 0);
        if (!taken) return 0;
    }
    return length;
}

bool ParallelLink::SendPacket(uint8_t opcode, const uint8_t* payload, uint16_t length) {
    if (payload == nullptr) length = 0;
    const uint8_t header[3] = {opcode, static_cast<uint8_t>(length),
                               static_cast<uint8_t>(length >> 8)};
    if (Write(header, 3) == 0) return false;
    return length == 0 || Write(payload, length) != 0;
}

}  // namespace txorb::link
