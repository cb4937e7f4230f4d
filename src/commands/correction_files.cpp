#include "commands/correction_files.h"

#include <cstring>
#include <memory>
#include <new>

#include "commands/status_exchange.h"
#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/exchange.h"
#include "platform/file.h"

namespace txorb::commands {
namespace {

char g_corrFileName[kCorrFileNameBytes];

// Closes the host file on every path out of a command.
class OpenedFile {
public:
    explicit OpenedFile(const char* path) : handle_(platform::Files().openForRead(path)) {}
    ~OpenedFile() {
        if (handle_ != platform::kInvalidFile) platform::Files().close(handle_, false);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    bool IsOpen() const { return handle_ != platform::kInvalidFile; }
    long long Size() const { return platform::Files().size(handle_); }
    // True only when exactly count bytes came back: a file that shrank since its size was
    // taken must not put stale memory on the wire.
    bool ReadExactly(uint8_t* data, size_t count) const {
        return platform::Files().read(handle_, data, count) == static_cast<long long>(count);
    }

private:
    platform::FileHandle handle_;
};

void RememberCorrectionFileName(const char* fileName) {
    const size_t length = strnlen(fileName, kCorrFileNameBytes - 1);
    std::memcpy(g_corrFileName, fileName, length);
    g_corrFileName[length] = '\0';
}

}  // namespace

const char* BaseName(const char* fileName) {
    const char* slash = std::strrchr(fileName, '\\');
    return slash != nullptr ? slash + 1 : fileName;
}

void FillNameField(uint8_t field[kNameFieldBytes], const char* fileName) {
    const char* base = BaseName(fileName);
    const size_t length = strnlen(base, kNameFieldBytes);
    std::memset(field, 0, kNameFieldBytes);
    std::memcpy(field, base, length);
}

ErrorCode LoadCorrectionFile(const char* fileName, int32_t tableNumber) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    OpenedFile file(fileName);
    if (!file.IsOpen()) return err::kFileNotFound;
    RememberCorrectionFileName(fileName);
    // The length is held as a 16-bit count, so a file 65,536 bytes longer passes too; only its
    // first 25,350 bytes are sent.
    const long long size = file.Size();
    if (size < 0 || (static_cast<unsigned long long>(size) & 0xFFFFu) != kCorrectionFileBytes) {
        return err::kInvalidFileFormat;
    }
    const bool numbered = tableNumber != 0;
    const uint32_t header = numbered ? 4 : 0;
    std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[header + kCorrectionFileBytes]);
    if (!payload) return err::kNotEnoughMemory;
    if (numbered) PutS32(payload.get(), tableNumber);
    if (!file.ReadExactly(payload.get() + header, kCorrectionFileBytes)) {
        return err::kInvalidFileFormat;
    }
    const ErrorCode code = StatusExchange(*card, numbered ? opcode::kLoadCorrN : opcode::kLoadCor,
                                          payload.get(), header + kCorrectionFileBytes,
                                          link::Route::kAuto, OnSendFailure::kDiscardInput);
    const bool sendFailed = code == err::kParallelSendFailed || code == err::kSerialSendFailed ||
                            code == err::kFileSendFailed || code == err::kParameterOutOfBounds;
    if (numbered && sendFailed) return err::kCouldNotSend;
    return code;
}

const char* CorrectionFileName() { return g_corrFileName; }

ErrorCode CopyFileToTargetDisk(const char* fileName) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    if (fileName == nullptr) return err::kFileNotFound;
    OpenedFile file(fileName);
    if (!file.IsOpen()) return err::kFileNotFound;
    const long long size = file.Size();
    if (size < 0) return err::kInvalidFileFormat;
    if (size > kCopyLimitBytes) return err::kParameterOutOfBounds;
    if (size == 0) return err::kInvalidFileFormat;
    const uint32_t fileBytes = static_cast<uint32_t>(size);
    std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[kNameFieldBytes + fileBytes]);
    if (!payload) return err::kNotEnoughMemory;
    FillNameField(payload.get(), fileName);
    if (!file.ReadExactly(payload.get() + kNameFieldBytes, fileBytes)) {
        return err::kInvalidFileFormat;
    }
    return StatusExchange(*card, opcode::kCopyFileToTargetDisk, payload.get(),
                          kNameFieldBytes + fileBytes, link::Route::kAuto,
                          OnSendFailure::kDiscardInput);
}

namespace {

// The base name travels with its terminating zero, straight from the caller's text.
ErrorCode SendBaseName(uint8_t opcode, const char* fileName) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    if (fileName == nullptr) return err::kFileNotFound;
    const char* base = BaseName(fileName);
    const size_t length = std::strlen(base);
    if (length == 0) return err::kFileNotFound;
    if (length >= link::Card::kPacketBufferBytes) return err::kParameterOutOfBounds;
    return StatusExchange(*card, opcode, base, static_cast<uint32_t>(length + 1),
                          link::Route::kAuto, OnSendFailure::kDiscardInput);
}

}  // namespace

ErrorCode DeleteFileOnTargetDisk(const char* fileName) {
    return SendBaseName(opcode::kDeleteFileOnTargetDisk, fileName);
}

ErrorCode LoadCorrFileFromTargetDisk(const char* fileName) {
    return SendBaseName(opcode::kLoadCorrFileFromTargetDisk, fileName);
}

// The boot program is made over the serial link even on a card with a parallel link.
ErrorCode MakeBootProgram(const char* fileName) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    if (fileName == nullptr) return err::kFileNotFound;
    uint8_t field[kNameFieldBytes];
    FillNameField(field, fileName);
    return StatusExchange(*card, opcode::kMakeBootProgram, field, sizeof field,
                          link::Route::kSerial, OnSendFailure::kDiscardInput);
}

}  // namespace txorb::commands
