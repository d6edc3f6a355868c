#pragma once
// The constant ring's bookkeeping, apart from the GPU buffer and heap: size classes of fixed
// blocks (class k holds blocks of 256 x (k + 1) bytes), each block with its own view in the
// shared CBV/SRV heap after the 256 texture views. A draw takes the next block of the class that
// fits its constants exactly; all blocks are free again at the next frame begin. A full class
// skips the draw and grows at the next frame begin.
#include <cstdint>
#include <vector>

struct ConstantSizeClass {
  uint64_t blockSize;  // bytes, a multiple of 256
  uint64_t offset;     // byte offset of the first block in the ring buffer
  uint64_t capacity;   // blocks, each with a view
  uint64_t used;       // blocks taken this frame, failed takes counted 11 times
  uint64_t nextView;   // CBV/SRV heap index of the next free block's view
};

constexpr uint64_t kRingFirstView = 256;  // views 0-255 are the texture slots'
constexpr uint64_t kRingBlockAlign = 256;
constexpr uint64_t kRingStartBytes = 260046848;  // 248 MiB
// A shader-visible CBV/SRV heap may hold at most 1,000,000 descriptors; the texture views take
// the first 256, the blocks share the rest.
constexpr uint64_t kMaxShaderVisibleDescriptors = 1000000;
constexpr uint64_t kRingMaxBlocks = kMaxShaderVisibleDescriptors - kRingFirstView;

struct ConstantRingLayout {
  std::vector<ConstantSizeClass> classes;
  uint64_t ringSize = 0;         // bytes of the ring buffer
  uint64_t bytesRequested = 0;   // asked for this frame, failed pushes counted 11 times
  uint64_t descriptorCount = 0;  // block views the heap has room for
  bool growthPending = false;
  uint64_t skippedPushes = 0;  // pushes refused since start (a full class); for diagnostics
};

// What the GPU side must do at a frame begin.
struct RingFrameStartPlan {
  bool recreate;       // make a new ring buffer of newRingSize bytes and a new heap
  uint64_t newRingSize;
  bool writeViews;     // write the view of every block (capacities changed or heap is new)
};

// A push that found room: where to copy and which view to bind.
struct RingBlock {
  uint64_t byteOffset;
  uint64_t viewIndex;
};

// 16 classes of 256 to 4,096 bytes, no capacity, no ring yet.
void InitConstantRingLayout(ConstantRingLayout* ring);
// Sum of all classes' capacities: the block views the heap needs.
uint64_t RingTotalBlocks(const ConstantRingLayout& ring);
// Bytes all classes' blocks span, back to back.
uint64_t RingSpanBytes(const ConstantRingLayout& ring);
// Frame begin, first half: grows the classes after a frame with failed pushes and says what the
// GPU side must re-create. The ring is always made large enough to hold every class's blocks.
// All classes together never pass kRingMaxBlocks: pushes past that stay skipped.
RingFrameStartPlan PlanRingFrameStart(ConstantRingLayout* ring);
// Frame begin, second half (after the GPU side followed the plan): all blocks free.
void FinishRingFrameStart(ConstantRingLayout* ring);
// Records that the GPU side made a ring of this size with room for descriptorCount views.
void RingRecreated(ConstantRingLayout* ring, uint64_t ringSize, uint64_t descriptorCount);
// Takes a block for size bytes (rounded up to a multiple of 256; 0 is refused). False when
// the class is full: nothing may be written then and the draw must be skipped.
bool TakeRingBlock(ConstantRingLayout* ring, uint64_t size, RingBlock* block);
