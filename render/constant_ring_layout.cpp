#include "render/constant_ring_layout.h"

namespace {

constexpr uint64_t kStartClassCount = 16;
// Every failed push books ten more blocks, so one bad frame leaves headroom for the next.
constexpr uint64_t kFailedPushExtra = 10;

void LayOutOffsets(ConstantRingLayout* ring) {
  uint64_t offset = 0;
  for (ConstantSizeClass& c : ring->classes) {
    c.offset = offset;
    offset += c.blockSize * c.capacity;
  }
}

}  // namespace

void InitConstantRingLayout(ConstantRingLayout* ring) {
  *ring = ConstantRingLayout{};
  for (uint64_t k = 0; k < kStartClassCount; ++k) {
    ring->classes.push_back({kRingBlockAlign * (k + 1), 0, 0, 0, kRingFirstView});
  }
}

uint64_t RingTotalBlocks(const ConstantRingLayout& ring) {
  uint64_t total = 0;
  for (const ConstantSizeClass& c : ring.classes) total += c.capacity;
  return total;
}

uint64_t RingSpanBytes(const ConstantRingLayout& ring) {
  uint64_t total = 0;
  for (const ConstantSizeClass& c : ring.classes) total += c.blockSize * c.capacity;
  return total;
}

RingFrameStartPlan PlanRingFrameStart(ConstantRingLayout* ring) {
  RingFrameStartPlan plan = {false, ring->ringSize, false};
  bool capped = false;
  if (ring->growthPending) {
    const uint64_t total = RingTotalBlocks(*ring);
    uint64_t room = total < kRingMaxBlocks ? kRingMaxBlocks - total : 0;
    for (ConstantSizeClass& c : ring->classes) {
      if (c.used <= c.capacity) continue;
      uint64_t grow = c.used - c.capacity;
      if (grow > room) {
        grow = room;
        capped = true;
      }
      c.capacity += grow;
      room -= grow;
    }
    LayOutOffsets(ring);
    plan.writeViews = true;
  }
  // The bytes asked for can undercount the blocks' span (classes grow by their failed pushes),
  // so the ring must cover whichever is larger or the last blocks would lie past its end. When
  // the growth was capped, the bytes asked for past the cap have no block to go in.
  const uint64_t span = RingSpanBytes(*ring);
  uint64_t needed = ring->bytesRequested;
  if (span > needed || capped) needed = span;
  if (needed > ring->ringSize) {
    plan.recreate = true;
    plan.newRingSize = needed;
  } else if (RingTotalBlocks(*ring) > ring->descriptorCount) {
    plan.recreate = true;
  }
  // A new heap holds no block views yet.
  if (plan.recreate) plan.writeViews = true;
  ring->growthPending = false;
  return plan;
}

void FinishRingFrameStart(ConstantRingLayout* ring) {
  uint64_t view = kRingFirstView;
  for (ConstantSizeClass& c : ring->classes) {
    c.used = 0;
    c.nextView = view;
    view += c.capacity;
  }
  ring->bytesRequested = 0;
}

void RingRecreated(ConstantRingLayout* ring, uint64_t ringSize, uint64_t descriptorCount) {
  ring->ringSize = ringSize;
  ring->descriptorCount = descriptorCount;
}

bool TakeRingBlock(ConstantRingLayout* ring, uint64_t size, RingBlock* block) {
  if (size == 0) return false;
  size = (size + kRingBlockAlign - 1) / kRingBlockAlign * kRingBlockAlign;
  ring->bytesRequested += size;
  uint64_t k = size / kRingBlockAlign - 1;
  while (ring->classes.size() <= k) {
    const ConstantSizeClass& last = ring->classes.back();
    // A new class has no blocks; the push below fails and it grows at the next frame begin.
    ring->classes.push_back({last.blockSize + kRingBlockAlign,
                             last.offset + last.blockSize * last.capacity, 0, 0, kRingFirstView});
  }
  ConstantSizeClass& c = ring->classes[k];
  uint64_t u = c.used;
  c.used = u + 1;
  if (u + 1 <= c.capacity) {
    block->byteOffset = c.offset + c.blockSize * u;
    block->viewIndex = c.nextView++;
    return true;
  }
  ring->growthPending = true;
  c.used += kFailedPushExtra;
  ring->bytesRequested += kFailedPushExtra * size;
  ring->skippedPushes++;
  return false;
}
