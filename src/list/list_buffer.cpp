#include "list/list_buffer.h"

#include <cstdlib>
#include <cstring>

#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"

namespace txorb {
namespace {

// Built before the library's load hook runs (the hook has a later priority) and destroyed
// after its unload hook.
__attribute__((init_priority(150))) ListBuffer g_listBuffer;

// Both the append and the transfer run under the CommandLock: two threads building lists at
// once then interleave whole records, and a transfer never sees half of one. One lock (rather
// than a list lock of its own) keeps a single lock order with commands that flush while
// already holding the CommandLock.
ErrorCode BulkTransfer() {
    ListBuffer& list = TheListBuffer();
    Card* card = GetActiveCard();
    if (card == nullptr) {
        list.Clear();
        return err::kNoCardActive;
    }
    ErrorCode code;
    {
        CommandLockHold hold;
        code = card->SendCommand(kOpcodeListTransfer, list.Data(), list.HighWater(), Route::kAuto);
        if (code != err::kOk) {
            card->DiscardInput();
        } else {
            uint8_t status = 0;
            code = card->ReceiveStatus(&status);
            if (code == err::kOk && status == 0) code = err::kNotExecuted;
        }
    }
    list.Clear();
    return code;
}

void PutRecord(uint8_t* r, uint8_t opcode, uint16_t p1, uint16_t p2) {
    r[0] = opcode;
    r[1] = static_cast<uint8_t>(p1);
    r[2] = static_cast<uint8_t>(p1 >> 8);
    r[3] = static_cast<uint8_t>(p2);
    r[4] = static_cast<uint8_t>(p2 >> 8);
}

}  // namespace

ListBuffer::~ListBuffer() { std::free(data_); }

void ListBuffer::Reserve(uint32_t needed) {
    if (capacity_ >= needed) return;
    const uint32_t missing = needed - capacity_;
    const uint32_t grown = capacity_ + (missing + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
    void* block = std::realloc(data_, grown);
    if (block == nullptr) return;  // Append sees the capacity unchanged and drops the bytes
    data_ = static_cast<uint8_t*>(block);
    capacity_ = grown;
}

void ListBuffer::Append(const uint8_t* bytes, uint32_t count) {
    if (count == 0) return;
    const uint32_t needed = static_cast<uint32_t>(size_) + count;
    Reserve(needed);
    if (capacity_ < needed) return;  // out of memory: nothing half-written
    std::memcpy(data_ + size_, bytes, count);
    size_ = static_cast<int32_t>(needed);
    if (highWater_ < needed) highWater_ = needed;
}

void ListBuffer::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    highWater_ = 0;
}

ListBuffer& TheListBuffer() { return g_listBuffer; }

ErrorCode CF_AddListCommand(uint8_t opcode, uint16_t param1, uint16_t param2) {
    uint8_t record[kListRecordBytes];
    PutRecord(record, opcode, param1, param2);
    CommandLockHold hold;
    ListBuffer& list = TheListBuffer();
    list.Append(record, sizeof record);
    if (opcode == kListOpcodeEndOfList || list.HighWater() >= kListTransferThreshold) {
        return BulkTransfer();
    }
    return err::kOk;
}

ErrorCode CF_Add_3D_ListCommands_1_2(uint8_t opcode1, uint8_t opcode2, uint16_t param1,
                                     uint16_t param2, uint16_t param3, uint16_t param4) {
    uint8_t records[2 * kListRecordBytes];
    PutRecord(records, opcode1, param1, param2);
    PutRecord(records + kListRecordBytes, opcode2, param3, param4);
    CommandLockHold hold;
    ListBuffer& list = TheListBuffer();
    list.Append(records, sizeof records);
    if (list.HighWater() >= kListTransferThreshold) return BulkTransfer();
    return err::kOk;
}

ErrorCode FlushListBuffer() {
    CommandLockHold hold;
    if (TheListBuffer().HighWater() < 1) return err::kOk;
    return BulkTransfer();
}

void ClearListBuffer() {
    CommandLockHold hold;
    TheListBuffer().Clear();
}

}  // namespace txorb
