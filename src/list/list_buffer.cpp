#include "list/list_buffer.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"

namespace txorb::list {
namespace {

// Built before the library's load hook runs (the hook has a later priority) and destroyed
// after its unload hook.
__attribute__((init_priority(150))) ListBuffer g_listBuffer;

// Guards the buffer itself. An append that completes no packet takes only this lock, which
// costs two atomic exchanges when uncontended; the CommandLock is taken only when records go
// to the card. The order is always CommandLock first, then this lock (stop and bitmap
// commands hold the CommandLock when they flush or clear), and nothing that holds this lock
// waits for the CommandLock. A contended waiter sleeps in the kernel (atomic wait), it does
// not spin for the length of a transfer.
class ListLock {
public:
    void Lock() {
        int expected = kFree;
        if (state_.compare_exchange_strong(expected, kLocked, std::memory_order_acquire)) return;
        // Mark the lock contended so that its holder wakes us when it lets go.
        while (state_.exchange(kContended, std::memory_order_acquire) != kFree) {
            state_.wait(kContended, std::memory_order_relaxed);
        }
    }
    void Unlock() {
        if (state_.exchange(kFree, std::memory_order_release) == kContended) state_.notify_one();
    }

private:
    static constexpr int kFree = 0;
    static constexpr int kLocked = 1;
    static constexpr int kContended = 2;
    std::atomic<int> state_{kFree};
};

ListLock g_listLock;

class ListLockHold {
public:
    ListLockHold() { g_listLock.Lock(); }
    ~ListLockHold() { g_listLock.Unlock(); }
    ListLockHold(const ListLockHold&) = delete;
    ListLockHold& operator=(const ListLockHold&) = delete;
};

// The caller holds the CommandLock and the list lock. Whatever happens, the pending records
// are gone afterwards: a list the card did not take is not retried piecemeal.
ErrorCode BulkTransferLocked(ListBuffer& list) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) {
        list.Clear();
        return err::kNoCardActive;
    }
    ErrorCode code =
        card->SendCommand(opcode::kListTransfer, list.Data(), list.HighWater(), link::Route::kAuto);
    if (code != err::kOk) {
        card->DiscardInput();
    } else {
        uint8_t status = 0;
        code = card->ReceiveStatus(&status);
        if (code == err::kOk && status == 0) code = err::kNotExecuted;
    }
    list.Clear();
    return code;
}

// Appends the bytes; 1 when the storage could not grow (the list then stays as it was, so
// the caller learns that its record is missing rather than the card running without it).
template <uint32_t N>
ErrorCode AppendLocked(ListBuffer& list, const uint8_t (&bytes)[N]) {
    const uint32_t before = list.HighWater();
    list.Append(bytes, N);
    return list.HighWater() == before ? err::kNotEnoughMemory : err::kOk;
}

// Appends N bytes (whole records) and sends the list when it is due: always at the end of a
// list, else once 2,500 bytes are pending.
template <uint32_t N>
ErrorCode AppendRecords(const uint8_t (&bytes)[N], bool endOfList) {
    ListBuffer& list = TheListBuffer();
    if (!endOfList) {
        ListLockHold hold;
        if (list.HighWater() + N < kListTransferThreshold) return AppendLocked(list, bytes);
    }
    // These records complete a packet. Another thread may have sent or added records since
    // the look above, so the decision is made again under both locks.
    link::CommandLockHold command;
    ListLockHold hold;
    if (ErrorCode code = AppendLocked(list, bytes); code != err::kOk) return code;
    if (endOfList || list.HighWater() >= kListTransferThreshold) return BulkTransferLocked(list);
    return err::kOk;
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

void ListBuffer::AppendGrowing(const uint8_t* bytes, uint32_t count) {
    const uint32_t needed = size_ + count;
    Reserve(needed);
    if (capacity_ < needed) return;  // out of memory: nothing half-written
    Store(bytes, count);
}

void ListBuffer::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
    highWater_ = 0;
}

ListBuffer& TheListBuffer() { return g_listBuffer; }

ErrorCode AppendListRecord(uint8_t opcode, uint16_t param1, uint16_t param2) {
    uint8_t record[kListRecordBytes];
    PutRecord(record, opcode, param1, param2);
    return AppendRecords(record, opcode == list_op::kEndOfList);
}

// The pair is one vector: it never ends a list, and never leaves half of itself behind.
ErrorCode Append3dListRecords(uint8_t opcode1, uint8_t opcode2, uint16_t param1, uint16_t param2,
                              uint16_t param3, uint16_t param4) {
    uint8_t records[2 * kListRecordBytes];
    PutRecord(records, opcode1, param1, param2);
    PutRecord(records + kListRecordBytes, opcode2, param3, param4);
    return AppendRecords(records, false);
}

ErrorCode FlushListBuffer() {
    ListBuffer& list = TheListBuffer();
    {
        ListLockHold hold;
        if (list.HighWater() < 1) return err::kOk;
    }
    link::CommandLockHold command;
    ListLockHold hold;
    if (list.HighWater() < 1) return err::kOk;
    return BulkTransferLocked(list);
}

void ClearListBuffer() {
    ListLockHold hold;
    TheListBuffer().Clear();
}

}  // namespace txorb::list
