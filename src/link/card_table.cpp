#include "link/card_table.h"

#include <atomic>

namespace txorb::link {
namespace {
std::atomic<Card*> g_slots[kSlotCount] = {};
std::atomic<int16_t> g_active{0};
LinkDescriptor g_descriptors[kSlotCount];
}  // namespace

Card* CardInSlot(int slot) {
    if (slot < 0 || slot >= kSlotCount) return nullptr;
    return g_slots[slot].load(std::memory_order_acquire);
}

Card* ExchangeCardInSlot(int slot, Card* card) {
    if (slot < kFirstSlot || slot > kLastSlot) return nullptr;
    return g_slots[slot].exchange(card, std::memory_order_acq_rel);
}

int16_t ActiveCardIndex() { return g_active.load(std::memory_order_acquire); }
void SetActiveCardIndex(int16_t index) { g_active.store(index, std::memory_order_release); }

const LinkDescriptor* DescriptorTable() { return g_descriptors; }

void StoreDescriptor(int slot, const LinkDescriptor& descriptor) {
    if (slot >= kFirstSlot && slot <= kLastSlot) g_descriptors[slot] = descriptor;
}

void ResetDescriptor(int slot) {
    if (slot >= kFirstSlot && slot <= kLastSlot) g_descriptors[slot] = LinkDescriptor{};
}

}  // namespace txorb::link
