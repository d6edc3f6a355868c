#include "render/texture_slots.h"

#include <cstddef>

std::vector<TextureSlotRange> InitialSlotRanges(uint32_t count) {
  std::vector<TextureSlotRange> ranges;
  if (count > 0) ranges.push_back({0, count - 1});
  return ranges;
}

bool TakeTextureSlot(std::vector<TextureSlotRange>* ranges, uint32_t* slot) {
  if (ranges->empty()) return false;
  TextureSlotRange& r = ranges->front();
  *slot = r.first;
  // Removing keeps the order of the later ranges, so slots keep coming out in a stable order.
  if (r.first == r.last) {
    ranges->erase(ranges->begin());
  } else {
    r.first++;
  }
  return true;
}

void GiveBackTextureSlot(std::vector<TextureSlotRange>* ranges, uint32_t slot) {
  size_t changed = ranges->size();
  for (size_t i = 0; i < ranges->size(); ++i) {
    TextureSlotRange& r = (*ranges)[i];
    if (slot != 0xFFFFFFFFu && r.first == slot + 1) {
      r.first = slot;
      changed = i;
      break;
    }
    if (slot != 0 && r.last == slot - 1) {
      r.last = slot;
      changed = i;
      break;
    }
    if (r.first <= slot && slot <= r.last) return;  // already free
  }
  if (changed == ranges->size()) ranges->push_back({slot, slot});

  // The grown range may now touch one more neighbour; fold it in. Removal moves the last range
  // into the hole, so the changed range's own position must be tracked.
  for (size_t j = 0; j < ranges->size();) {
    if (j == changed) {
      ++j;
      continue;
    }
    TextureSlotRange& c = (*ranges)[changed];
    const TextureSlotRange other = (*ranges)[j];
    bool merged = false;
    if (other.first == c.last + 1) {
      c.last = other.last;
      merged = true;
    } else if (c.first != 0 && other.last == c.first - 1) {
      c.first = other.first;
      merged = true;
    }
    if (!merged) {
      ++j;
      continue;
    }
    size_t lastIndex = ranges->size() - 1;
    (*ranges)[j] = (*ranges)[lastIndex];
    ranges->pop_back();
    if (changed == lastIndex) changed = j;
  }
}
