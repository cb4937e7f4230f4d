#include "link/card_slots.h"

#include <new>

#include "common/wire_opcodes.h"
#include "config/card_config.h"
#include "link/card.h"
#include "link/card_search.h"
#include "link/card_table.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "link/link_descriptor.h"
#include "link/serial_link.h"
#include "platform/clock.h"

namespace txorb::link {
namespace {

constexpr uint32_t kNoPort = 0xFFFF;

}  // namespace

ErrorCode ChooseCardLinks(uint16_t slot, LinkDescriptor* descriptor) {
    uint32_t parallel = kNoPort;
    uint32_t fifo = kNoPort;
    if (config::IsPingAllowed()) {
        uint32_t com = 0;
        if (ErrorCode code = DiscoverCard(&parallel, &fifo, &com); code != err::kOk) return code;
        *descriptor = MakeDescriptor(parallel, fifo, 0, com, 0, 1);
        return err::kOk;
    }
    int32_t v = 0;
    if (config::ReadSerialPort(slot, &v) != err::kOk) return err::kSerialKeyNotFound;
    uint32_t com = 0;
    switch (config::ClassifySerialPort(v, &com)) {
        case config::SerialPortUse::kComAndParallel:
            if (config::ReadParallelPorts(slot, &parallel, &fifo) == err::kOk) {
                *descriptor = MakeDescriptor(parallel, fifo, 1, com, 1, 1);
            } else {
                *descriptor = MakeDescriptor(kNoPort, kNoPort, 0, com, 1, 1);
            }
            return err::kOk;
        case config::SerialPortUse::kComOnly:
            *descriptor = MakeDescriptor(kNoPort, kNoPort, 0, com, 1, 1);
            return err::kOk;
        case config::SerialPortUse::kDriverMap: {
            int32_t mapped = 0;
            if (config::ResolveSerialPortByDriver(slot, &mapped) != err::kOk) {
                return err::kSerialKeyNotFound;
            }
            const uint32_t mappedCom = static_cast<uint32_t>(mapped);
            if (config::ReadOrFindParallelPorts(slot, &parallel, &fifo) == err::kOk) {
                *descriptor = MakeDescriptor(parallel, fifo, 1, mappedCom, 0, 1);
            } else {
                *descriptor = MakeDescriptor(kNoPort, kNoPort, 0, mappedCom, 0, 1);
            }
            return err::kOk;
        }
        case config::SerialPortUse::kInvalid: break;
    }
    return err::kInvalidSerialPortNumber;
}

namespace {

constexpr uint32_t kResetAnswerWaitMs = 100;
constexpr int kStatusReplyBytes = 3;

// The RTB answers the reset request too. That answer must be gone before the second request
// leaves, or it would be taken for the second one's status; so it gets a short while to arrive
// (the next send's own discard drops whatever part of it is still unread).
void AwaitResetAnswer(SerialLink& serial) {
    uint8_t answer[kStatusReplyBytes];
    serial.ReadExact(answer, kStatusReplyBytes, kResetAnswerWaitMs);
}

// Resets the RTB's command interpreter and checks it answers. Both requests go over the serial
// link whatever links the card has; only the second one's status counts.
ErrorCode Handshake(Card& card) {
    CommandLockHold hold;
    SerialLink* serial = card.Serial();
    serial->PurgeTransmit();
    serial->DiscardInput();
    ErrorCode code = card.SendCommand(opcode::kHandshakeReset, nullptr, 0, Route::kSerial);
    if (code == err::kOk) {
        AwaitResetAnswer(*serial);
        code = card.SendCommand(opcode::kHandshakeHello, nullptr, 0, Route::kSerial);
    }
    if (code == err::kOk) {
        uint8_t status = 0;
        code = card.ReceiveStatus(&status);
        if (code == err::kOk && status == 0) code = err::kNotExecuted;
    }
    serial->DiscardInput();
    return code;
}

// Stops whatever the card runs and hands it back to its idle state.
ErrorCode StopSequence(Card& card) {
    CommandLockHold hold;
    uint8_t status = 0;
    if (card.SendCommand(opcode::kStopExecution, nullptr, 0, Route::kAuto) == err::kOk) {
        card.ReceiveStatus(&status);  // the stop's own answer does not matter
    }
    const uint8_t zero[2] = {0, 0};
    ErrorCode code = card.SendCommand(opcode::kSetT3, zero, sizeof zero, Route::kAuto);
    if (code == err::kOk) {
        code = card.ReceiveStatus(&status);
        if (code == err::kOk) {
            code = status == 0 ? err::kNotExecuted
                               : card.SendCommand(opcode::kRelease, nullptr, 0, Route::kAuto);
        }
    }
    card.DiscardInput();
    return code;
}

}  // namespace

bool IsSlotNumber(uint16_t slot) { return slot >= kFirstSlot && slot <= kLastSlot; }

bool ActivateInitialisedSlot(uint16_t slot) {
    if (CardInSlot(slot) == nullptr) return false;
    SetActiveCard(slot);
    return true;
}

ErrorCode BringUpCard(uint16_t slot, const LinkDescriptor& descriptor) {
    // Only an unreadable value or 0 falls back to the default; any other value, negative ones
    // included, is the link's unsigned timeout ("-1" waits 0xFFFFFFFF ms, until the line goes).
    int32_t timeout = 0;
    if (config::ReadCommTimeout(slot, &timeout) != err::kOk || timeout == 0) {
        timeout = static_cast<int32_t>(kDefaultCommTimeoutMs);
    }
    char dumpFile[config::kDumpFileNameBytes];
    if (config::ReadDumpFileName(slot, dumpFile) != err::kOk) dumpFile[0] = '\0';

    Card* card = nullptr;
    try {
        card = new Card(descriptor, static_cast<uint32_t>(timeout), dumpFile);
    } catch (...) {
        return err::kCardCtorFailed;
    }
    if (!card->LinkUsable() || card->Serial() == nullptr) {
        delete card;
        return err::kCardInitSequenceFailed;
    }
    if (ErrorCode code = Handshake(*card); code != err::kOk) {
        delete card;
        return code;
    }
    delete ExchangeCardInSlot(slot, card);  // the slot was empty: nothing to delete
    StoreDescriptor(slot, descriptor);
    SetActiveCard(slot);
    return err::kOk;
}

ErrorCode RemoveCard(uint16_t slot, RemovalWait wait) {
    if (slot < kFirstSlot || slot > kLastSlot) return err::kOk;
    Card* card = CardInSlot(slot);
    if (card == nullptr) {
        SetActiveCardIndex(0);
        return err::kOk;
    }
    SetActiveCardIndex(static_cast<int16_t>(slot));
    const ErrorCode code = StopSequence(*card);
    // Give the RTB time to settle before its port is closed; outside the lock, so other cards'
    // commands go on meanwhile.
    if (wait == RemovalWait::kSettle) platform::SleepMs(kRemovalSettleMs);
    delete ExchangeCardInSlot(slot, nullptr);
    ResetDescriptor(slot);
    SetActiveCardIndex(0);
    return code;
}

bool SetActiveCard(uint16_t slot) {
    const int16_t previous = ActiveCardIndex();
    SetActiveCardIndex(static_cast<int16_t>(slot));
    if (GetActiveCard() != nullptr) return true;
    SetActiveCardIndex(previous);
    return false;
}

}  // namespace txorb::link
