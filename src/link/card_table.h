// The ten card slots, their link descriptors and the active slot. Slot management is meant for
// one thread at a time; the values are atomics only so that commands on other threads read a
// whole value.
#pragma once

#include <cstdint>

#include "link/link_descriptor.h"

namespace txorb::link {

class Card;

inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 10;
inline constexpr int kSlotCount = 11;  // index 0 is never used

Card* CardInSlot(int slot);
// Stores card (may be null) in the slot and returns what was there before.
Card* ExchangeCardInSlot(int slot, Card* card);

int16_t ActiveCardIndex();
void SetActiveCardIndex(int16_t index);

// The 220-byte descriptor table, records 0..10.
const LinkDescriptor* DescriptorTable();
void StoreDescriptor(int slot, const LinkDescriptor& descriptor);
void ResetDescriptor(int slot);

}  // namespace txorb::link
