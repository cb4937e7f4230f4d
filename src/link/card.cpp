#include "link/card.h"

#include <cstring>

#include "common/wire_opcodes.h"
#include "link/parallel_link.h"
#include "link/serial_link.h"

namespace txorb::link {

Card::Card(const LinkDescriptor& descriptor, uint32_t commTimeoutMs, const char* captureFileName)
    : packetBuffer_(new uint8_t[kPacketBufferBytes]) {
    OpenCaptureFile(captureFileName);
    if (descriptor.serialPort < 1 || descriptor.serialPort > 20) {
        linkUsable_ = false;
        return;
    }
    if (descriptor.parallelPort > 0 && descriptor.parallelPort < 65535) {
        parallel_ = std::make_unique<ParallelLink>(descriptor.parallelPort, descriptor.fifoPort);
    }
    serial_ = std::make_unique<SerialLink>(descriptor.serialPort, commTimeoutMs);
    serial_->Open();
    serial_->DiscardInput();
    serial_->PurgeTransmit();
}

Card::~Card() {
    parallel_.reset();
    serial_.reset();
    if (captureFile_ != platform::kInvalidFile) platform::Files().close(captureFile_, true);
}

bool Card::OpenCaptureFile(const char* name) {
    if (captureFile_ != platform::kInvalidFile) {
        platform::Files().close(captureFile_, true);
        captureFile_ = platform::kInvalidFile;
    }
    if (name == nullptr || *name == '\0') return true;
    captureFile_ = platform::Files().createForWrite(name);
    return captureFile_ != platform::kInvalidFile;
}

uint32_t Card::SerialPortNumber() const { return serial_ ? serial_->PortNumber() : 0; }

ErrorCode Card::SendCommand(uint8_t opcode, const void* payload, uint32_t length, Route route) {
    uint8_t* p = packetBuffer_.get();
    uint32_t header;
    p[0] = opcode;
    if (length >= kLongFormThreshold) {
        p[1] = 4;
        p[2] = 0;
        p[3] = static_cast<uint8_t>(length);
        p[4] = static_cast<uint8_t>(length >> 8);
        p[5] = static_cast<uint8_t>(length >> 16);
        p[6] = static_cast<uint8_t>(length >> 24);
        header = 7;
    } else {
        p[1] = static_cast<uint8_t>(length);
        p[2] = static_cast<uint8_t>(length >> 8);
        header = 3;
    }
    if (length > kPacketBufferBytes - header) return err::kParameterOutOfBounds;
    if (length > 0 && payload != nullptr) std::memcpy(p + header, payload, length);
    if (length > 0 && payload == nullptr) std::memset(p + header, 0, length);
    return Transmit(route, p, header + length);
}

ErrorCode Card::Transmit(Route route, const uint8_t* bytes, uint32_t length) {
    ErrorCode result = err::kOk;
    if (captureFile_ != platform::kInvalidFile && bytes[0] != opcode::kReadStatus) {
        if (!platform::Files().writeAll(captureFile_, bytes, length)) result = err::kFileSendFailed;
    }
    if (route == Route::kAuto) route = parallel_ ? Route::kParallel : Route::kSerial;
    if (serial_) {
        serial_->PurgeTransmit();
        serial_->DiscardInput();
    }
    if (route != Route::kParallel) {
        if (!serial_ || !serial_->Write(bytes, length)) return err::kSerialSendFailed;
    } else if (parallel_) {
        if (parallel_->Write(bytes, static_cast<int32_t>(length)) != static_cast<int32_t>(length)) {
            return err::kParallelSendFailed;
        }
    }
    return result;
}

ErrorCode Card::ReceiveReply(uint8_t* buffer, uint16_t capacity) {
    if (!linkUsable_ || !serial_) return err::kComPortNotOpen;
    std::memset(buffer, 0, capacity);
    uint8_t lengthBytes[2];
    if (ErrorCode code = serial_->ReadExact(lengthBytes, 2); code != err::kOk) return code;
    const uint16_t n = static_cast<uint16_t>(lengthBytes[0] | (lengthBytes[1] << 8));
    if (n == 0 || n > capacity) return err::kWrongResponseLength;
    if (ErrorCode code = serial_->ReadExact(buffer, n); code != err::kOk) {
        std::memset(buffer, 0, n);
        return code;
    }
    return err::kOk;
}

ErrorCode Card::ReceiveStatus(uint8_t* status) { return ReceiveReply(status, 1); }

void Card::DiscardInput() {
    if (serial_) serial_->DiscardInput();
}

}  // namespace txorb::link
