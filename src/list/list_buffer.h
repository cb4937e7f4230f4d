// The one process-wide buffer of pending list records and its bulk transfer to the card.
#pragma once

#include <cstdint>
#include <cstring>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::list {

inline constexpr uint32_t kListTransferThreshold = 2500;
inline constexpr uint32_t kListRecordBytes = 5;

class ListBuffer {
public:
    static constexpr uint32_t kGrowthStep = 2048;

    ListBuffer() = default;
    ~ListBuffer();
    ListBuffer(const ListBuffer&) = delete;
    ListBuffer& operator=(const ListBuffer&) = delete;

    void Append(const uint8_t* bytes, uint32_t count) {
        if (count == 0) return;
        if (capacity_ - size_ >= count) {
            Store(bytes, count);
        } else {
            AppendGrowing(bytes, count);
        }
    }
    void Reserve(uint32_t needed);
    void Clear();

    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }
    uint32_t HighWater() const { return highWater_; }
    const uint8_t* Data() const { return data_; }

private:
    void AppendGrowing(const uint8_t* bytes, uint32_t count);
    void Store(const uint8_t* bytes, uint32_t count) {
        std::memcpy(data_ + size_, bytes, count);
        size_ += count;
        if (highWater_ < size_) highWater_ = size_;
    }

    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
    uint32_t highWater_ = 0;
    uint8_t* data_ = nullptr;
};

ListBuffer& TheListBuffer();

// Append one record; transfers when the end of list is appended or 2,500 bytes are pending.
ErrorCode AppendListRecord(uint8_t opcode, uint16_t param1, uint16_t param2);
// Append a 3D record pair; transfers only when 2,500 bytes are pending.
ErrorCode Append3dListRecords(uint8_t opcode1, uint8_t opcode2, uint16_t param1, uint16_t param2,
                              uint16_t param3, uint16_t param4);
// Sends whatever is pending now; 0 at once when nothing is.
ErrorCode FlushListBuffer();
// Drops the pending records (card initialisation, stop).
void ClearListBuffer();

}  // namespace txorb::list
