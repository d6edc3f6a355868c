#pragma once
// The free texture slots: an unordered list of disjoint, non-adjacent inclusive ranges.
#include <cstdint>
#include <vector>

struct TextureSlotRange {
  uint32_t first;
  uint32_t last;
};

// The list of a fresh renderer: one range {0, count - 1}.
std::vector<TextureSlotRange> InitialSlotRanges(uint32_t count);
// Takes the first index of the first range; false when no slot is free.
bool TakeTextureSlot(std::vector<TextureSlotRange>* ranges, uint32_t* slot);
// Gives a slot back and merges it with its neighbours; a slot already free changes nothing.
void GiveBackTextureSlot(std::vector<TextureSlotRange>* ranges, uint32_t slot);
