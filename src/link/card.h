// The connection to one card: packet framing in a buffer of its own, the capture file, and the
// links. Requests leave on the parallel link when the card has one; replies always arrive on
// the serial link.
#pragma once

#include <cstdint>
#include <memory>

#include "common/error_codes.h"
#include "link/link_descriptor.h"
#include "platform/file.h"

namespace txorb::link {

class SerialLink;
class ParallelLink;

enum class Route : uint8_t { kAuto = 0, kSerial = 1, kParallel = 2 };

class Card {
public:
    static constexpr uint32_t kPacketBufferBytes = 224000;
    static constexpr uint32_t kLongFormThreshold = 65533;

    Card(const LinkDescriptor& descriptor, uint32_t commTimeoutMs, const char* captureFileName);
    ~Card();
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    bool OpenCaptureFile(const char* name);
    bool HasParallelLink() const { return parallel_ != nullptr; }
    uint32_t SerialPortNumber() const;
    bool LinkUsable() const { return linkUsable_; }
    SerialLink* Serial() { return serial_.get(); }

    // TXORB_ERR_OK, _PARALLEL_SEND_FAILED, _SERIAL_SEND_FAILED, _FILE_SEND_FAILED; or
    // TXORB_ERR_PARAMETER_OUT_OF_BOUNDS for a payload that cannot fit the packet buffer (nothing is
    // sent).
    ErrorCode SendCommand(uint8_t opcode, const void* payload, uint32_t length, Route route);
    // TXORB_ERR_OK, _COM_PORT_NOT_OPEN, _WRONG_RESPONSE_LENGTH or the serial read's error
    // (_RESPONSE_TIMEOUT). On failure the buffer holds zeros.
    ErrorCode ReceiveReply(uint8_t* buffer, uint16_t capacity);
    ErrorCode ReceiveStatus(uint8_t* status);
    // Discards what is pending on the serial link (after a failed send).
    void DiscardInput();

private:
    ErrorCode Transmit(Route route, const uint8_t* bytes, uint32_t length);

    bool linkUsable_ = true;
    std::unique_ptr<ParallelLink> parallel_;
    std::unique_ptr<SerialLink> serial_;
    std::unique_ptr<uint8_t[]> packetBuffer_;
    platform::FileHandle captureFile_ = platform::kInvalidFile;
};

}  // namespace txorb::link
