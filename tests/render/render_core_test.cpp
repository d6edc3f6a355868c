// Portable renderer bookkeeping: slot ranges, id stacks, ring classes, constant packing,
// samplers and the matrix constants of scene objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/buffer_ids.h"
#include "render/constant_ring_layout.h"
#include "render/mesh_handle.h"
#include "render/sampler_table.h"
#include "render/shader_program.h"
#include "render/texture_slots.h"

namespace {

bool SameRanges(std::vector<TextureSlotRange> a, std::vector<TextureSlotRange> b) {
  auto byFirst = [](const TextureSlotRange& x, const TextureSlotRange& y) {
    return x.first < y.first;
  };
  std::sort(a.begin(), a.end(), byFirst);
  std::sort(b.begin(), b.end(), byFirst);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].first != b[i].first || a[i].last != b[i].last) return false;
  }
  return true;
}

// Ranges must stay disjoint and never touch, or a slot could be handed out twice.
void ExpectCanonical(const std::vector<TextureSlotRange>& ranges) {
  for (size_t i = 0; i < ranges.size(); ++i) {
    for (size_t j = 0; j < ranges.size(); ++j) {
      if (i == j) continue;
      EXPECT_TRUE(ranges[i].last + 1 < ranges[j].first || ranges[j].last + 1 < ranges[i].first)
          << i << " " << j;
    }
  }
}

}  // namespace

TEST(TextureSlots, FreshListHandsOutSlotsInOrderAndRunsOut) {
  auto ranges = InitialSlotRanges(256);
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t s = 999;
    ASSERT_TRUE(TakeTextureSlot(&ranges, &s));
    EXPECT_EQ(s, i);
  }
  EXPECT_TRUE(ranges.empty());
  uint32_t s = 7;
  EXPECT_FALSE(TakeTextureSlot(&ranges, &s));
  GiveBackTextureSlot(&ranges, 9);
  ASSERT_TRUE(TakeTextureSlot(&ranges, &s));
  EXPECT_EQ(s, 9u);
}

TEST(TextureSlots, FreeingMergesNeighboursAndIgnoresFreeSlots) {
  std::vector<TextureSlotRange> ranges = {{0, 4}, {6, 255}};
  GiveBackTextureSlot(&ranges, 5);
  EXPECT_TRUE(SameRanges(ranges, {{0, 255}}));

  ranges = {{0, 2}, {10, 255}};
  GiveBackTextureSlot(&ranges, 7);
  EXPECT_TRUE(SameRanges(ranges, {{0, 2}, {7, 7}, {10, 255}}));
  GiveBackTextureSlot(&ranges, 8);
  GiveBackTextureSlot(&ranges, 9);
  EXPECT_TRUE(SameRanges(ranges, {{0, 2}, {7, 255}}));
  GiveBackTextureSlot(&ranges, 100);  // already free
  EXPECT_TRUE(SameRanges(ranges, {{0, 2}, {7, 255}}));

  ranges = {{3, 3}, {0, 1}};
  GiveBackTextureSlot(&ranges, 2);
  EXPECT_TRUE(SameRanges(ranges, {{0, 3}}));
}

TEST(TextureSlots, SingleSlotRangeIsRemovedKeepingOrder) {
  std::vector<TextureSlotRange> ranges = {{4, 4}, {9, 10}, {20, 255}};
  uint32_t s;
  ASSERT_TRUE(TakeTextureSlot(&ranges, &s));
  EXPECT_EQ(s, 4u);
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].first, 9u);
  EXPECT_EQ(ranges[1].first, 20u);
}

TEST(TextureSlots, RandomTakeAndFreeNeverHandsOutAHeldSlot) {
  auto ranges = InitialSlotRanges(256);
  bool held[256] = {};
  uint32_t seed = 12345;
  for (int step = 0; step < 20000; ++step) {
    seed = seed * 1103515245u + 12345u;
    if ((seed >> 16) % 3 != 0) {
      uint32_t s;
      if (TakeTextureSlot(&ranges, &s)) {
        ASSERT_LT(s, 256u);
        ASSERT_FALSE(held[s]) << "slot " << s << " handed out twice";
        held[s] = true;
      }
    } else {
      uint32_t s = (seed >> 8) % 256;
      GiveBackTextureSlot(&ranges, s);
      held[s] = false;
    }
    ExpectCanonical(ranges);
  }
  uint32_t freeCount = 0;
  for (const TextureSlotRange& r : ranges) freeCount += r.last - r.first + 1;
  uint32_t heldCount = 0;
  for (bool h : held) heldCount += h;
  EXPECT_EQ(freeCount + heldCount, 256u);
}

TEST(BufferIds, GivenBackIdsAreReusedLastInFirstOut) {
  FreeIdStack stack;
  uint32_t tableLength = 0;
  uint32_t ids[3];
  for (uint32_t& id : ids) {
    id = TakeBufferId(&stack, tableLength);
    if (id == tableLength) ++tableLength;
  }
  EXPECT_EQ(ids[0], 0u);
  EXPECT_EQ(ids[2], 2u);
  ASSERT_TRUE(PushFreeId(&stack, 1));
  ASSERT_TRUE(PushFreeId(&stack, 2));
  EXPECT_EQ(TakeBufferId(&stack, tableLength), 2u);
  EXPECT_EQ(TakeBufferId(&stack, tableLength), 1u);
  EXPECT_EQ(TakeBufferId(&stack, tableLength), 3u);
}

TEST(BufferIds, StackRefusesPastItsCapacity) {
  FreeIdStack stack;
  for (uint32_t i = 0; i < FreeIdStack::kCapacity; ++i) ASSERT_TRUE(PushFreeId(&stack, i));
  EXPECT_FALSE(PushFreeId(&stack, 5000));
  uint32_t id;
  ASSERT_TRUE(PopFreeId(&stack, &id));
  EXPECT_EQ(id, FreeIdStack::kCapacity - 1);
}

namespace {

ConstantRingLayout StartedRing() {
  ConstantRingLayout ring;
  InitConstantRingLayout(&ring);
  RingRecreated(&ring, kRingStartBytes, 0);
  RingFrameStartPlan plan = PlanRingFrameStart(&ring);
  EXPECT_FALSE(plan.recreate);
  FinishRingFrameStart(&ring);
  return ring;
}

// Runs a frame begin as the renderer does, with the GPU side following the plan.
RingFrameStartPlan FrameStart(ConstantRingLayout* ring) {
  RingFrameStartPlan plan = PlanRingFrameStart(ring);
  if (plan.recreate) RingRecreated(ring, plan.newRingSize, RingTotalBlocks(*ring));
  FinishRingFrameStart(ring);
  return plan;
}

}  // namespace

TEST(ConstantRing, ConstructionHasSixteenEmptyClasses) {
  ConstantRingLayout ring;
  InitConstantRingLayout(&ring);
  ASSERT_EQ(ring.classes.size(), 16u);
  EXPECT_EQ(ring.classes[0].blockSize, 256u);
  EXPECT_EQ(ring.classes[15].blockSize, 4096u);
  EXPECT_EQ(RingTotalBlocks(ring), 0u);
}

TEST(ConstantRing, FullClassSkipsThenGrowsElevenPerFailure) {
  ConstantRingLayout ring = StartedRing();
  RingBlock block;
  for (int i = 0; i < 300; ++i) EXPECT_FALSE(TakeRingBlock(&ring, 256, &block));
  EXPECT_EQ(ring.skippedPushes, 300u);
  RingFrameStartPlan plan = FrameStart(&ring);
  EXPECT_TRUE(plan.recreate);  // more views than the heap holds
  EXPECT_TRUE(plan.writeViews);
  EXPECT_EQ(plan.newRingSize, kRingStartBytes);
  EXPECT_EQ(ring.classes[0].capacity, 3300u);
  EXPECT_EQ(ring.descriptorCount, 3300u);

  // The next frame draws them, each in its own block with its own view.
  for (uint64_t i = 0; i < 300; ++i) {
    ASSERT_TRUE(TakeRingBlock(&ring, 256, &block));
    EXPECT_EQ(block.byteOffset, 256 * i);
    EXPECT_EQ(block.viewIndex, kRingFirstView + i);
  }
  // A frame within capacity changes nothing.
  plan = FrameStart(&ring);
  EXPECT_FALSE(plan.recreate);
  EXPECT_FALSE(plan.writeViews);
}

TEST(ConstantRing, BlocksOfOneFrameNeverOverlap) {
  ConstantRingLayout ring = StartedRing();
  RingBlock block;
  const uint64_t sizes[] = {256, 512, 768, 256, 4096, 512, 256};
  for (int frame = 0; frame < 3; ++frame) {
    std::vector<std::pair<uint64_t, uint64_t>> taken;
    std::vector<uint64_t> views;
    for (int i = 0; i < 40; ++i) {
      uint64_t size = sizes[i % 7];
      if (TakeRingBlock(&ring, size, &block)) {
        taken.push_back({block.byteOffset, block.byteOffset + size});
        views.push_back(block.viewIndex);
      }
    }
    std::sort(taken.begin(), taken.end());
    for (size_t i = 1; i < taken.size(); ++i) EXPECT_LE(taken[i - 1].second, taken[i].first);
    if (!taken.empty()) {
      EXPECT_LE(taken.back().second, ring.ringSize);
    }
    std::sort(views.begin(), views.end());
    EXPECT_TRUE(std::adjacent_find(views.begin(), views.end()) == views.end());
    FrameStart(&ring);
  }
  // Frame 3 had room for everything it asked for.
  EXPECT_EQ(ring.growthPending, false);
}

TEST(ConstantRing, LargeBlockAppendsClassesAndSucceedsNextFrame) {
  ConstantRingLayout ring = StartedRing();
  RingBlock block;
  EXPECT_FALSE(TakeRingBlock(&ring, 8192, &block));
  ASSERT_EQ(ring.classes.size(), 32u);
  EXPECT_EQ(ring.classes[16].blockSize, 4352u);
  EXPECT_EQ(ring.classes[31].blockSize, 8192u);
  FrameStart(&ring);
  EXPECT_TRUE(TakeRingBlock(&ring, 8192, &block));
}

TEST(ConstantRing, RingGrowsToHoldEveryBlock) {
  ConstantRingLayout ring;
  InitConstantRingLayout(&ring);
  RingRecreated(&ring, 4096, 0);  // a small ring, to reach its end quickly
  FinishRingFrameStart(&ring);
  RingBlock block;
  for (int i = 0; i < 4; ++i) TakeRingBlock(&ring, 4096, &block);
  RingFrameStartPlan plan = FrameStart(&ring);
  EXPECT_TRUE(plan.recreate);
  EXPECT_GE(plan.newRingSize, RingSpanBytes(ring));
  EXPECT_EQ(ring.classes[15].capacity, 44u);
}

TEST(ConstantRing, GrowthStopsAtTheLargestShaderVisibleHeap) {
  ConstantRingLayout ring = StartedRing();
  RingBlock block;
  // 100,000 failures would book 1.1 million views.
  for (int i = 0; i < 100000; ++i) TakeRingBlock(&ring, 256, &block);
  TakeRingBlock(&ring, 512, &block);
  RingFrameStartPlan plan = FrameStart(&ring);
  EXPECT_TRUE(plan.recreate);
  EXPECT_EQ(plan.newRingSize, kRingStartBytes);  // the capped blocks fit the ring as it is
  EXPECT_EQ(RingTotalBlocks(ring), kRingMaxBlocks);
  EXPECT_EQ(ring.descriptorCount + kRingFirstView, kMaxShaderVisibleDescriptors);
  // Past the cap a push stays skipped and counted, and nothing is re-created for it.
  const uint64_t skipped = ring.skippedPushes;
  EXPECT_FALSE(TakeRingBlock(&ring, 512, &block));
  EXPECT_EQ(ring.skippedPushes, skipped + 1);
  plan = FrameStart(&ring);
  EXPECT_FALSE(plan.recreate);
  EXPECT_EQ(RingTotalBlocks(ring), kRingMaxBlocks);
}

TEST(ConstantRing, OddAndZeroSizesNeverOverrunABlock) {
  ConstantRingLayout ring = StartedRing();
  RingBlock block;
  EXPECT_FALSE(TakeRingBlock(&ring, 0, &block));
  EXPECT_FALSE(TakeRingBlock(&ring, 300, &block));  // lands in the 512-byte class
  EXPECT_EQ(ring.classes[1].used, 11u);
}

namespace {

ShaderProgram ProgramWith(std::vector<ShaderConstant> descriptions, int32_t format = 8) {
  ShaderProgram p;
  ShaderProgram::SetupInputLayout(&p, format, descriptions.data(), uint32_t(descriptions.size()));
  return p;
}

}  // namespace

TEST(ConstantPacking, OffsetsFollowHlslRegisterRules) {
  ShaderProgram a = ProgramWith({{"mvMat", 0, 16}, {"projMat", 0, 16}});
  EXPECT_EQ(a.constants[0].offset, 0u);
  EXPECT_EQ(a.constants[1].offset, 16u);
  EXPECT_EQ(a.block->constantBufferSize, 256u);

  ShaderProgram b = ProgramWith({{"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}});
  EXPECT_EQ(b.constants[2].offset, 32u);

  ShaderProgram c = ProgramWith({{"pos", 0, 3}, {"scale", 0, 3}});
  EXPECT_EQ(c.constants[1].offset, 4u);

  ShaderProgram d = ProgramWith({{"a", 0, 2}, {"b", 0, 9}, {"c", 0, 1}});
  EXPECT_EQ(d.constants[1].offset, 4u);
  EXPECT_EQ(d.constants[1].count, 12u);
  EXPECT_EQ(d.constants[2].offset, 16u);

  ShaderProgram e = ProgramWith({{"a", 2, 4}, {"b", 2, 2}, {"c", 0, 6}});
  EXPECT_EQ(e.constants[0].offset, 4u);
  EXPECT_EQ(e.constants[1].offset, 2u);
  EXPECT_EQ(e.constants[2].offset, 4u);
  EXPECT_EQ(e.constants[2].count, 8u);

  ShaderProgram big = ProgramWith({{"a", 0, 16}, {"b", 70, 4}});
  EXPECT_EQ(big.block->constantBufferSize, 512u);  // 296 bytes needed
}

TEST(ConstantPacking, WritesLandAtTheirOffsetAndUnknownNamesAreSkipped) {
  ShaderProgram p = ProgramWith({{"pos", 0, 3}, {"scale", 0, 3}});
  std::memset(p.block->constantStaging, 0, 64);
  const float pos[3] = {1, 2, 3};
  const float scale[3] = {4, 5, 6};
  EXPECT_TRUE(WriteShaderConstant(&p, "pos", pos, 3));
  EXPECT_TRUE(WriteShaderConstant(&p, "scale", scale, 3));
  EXPECT_FALSE(WriteShaderConstant(&p, "missing", pos, 3));
  EXPECT_FALSE(WriteShaderConstant(&p, "pos", pos, 4));  // more than it reserves
  float staged[8];
  std::memcpy(staged, p.block->constantStaging, sizeof(staged));
  EXPECT_EQ(staged[0], 1.0f);
  EXPECT_EQ(staged[2], 3.0f);
  EXPECT_EQ(staged[3], 0.0f);
  EXPECT_EQ(staged[4], 4.0f);
  EXPECT_EQ(staged[6], 6.0f);
}

TEST(ConstantPacking, OversizedTableStaysInsideTheStaging) {
  ShaderProgram p = ProgramWith({{"huge", 8190, 16}});
  EXPECT_EQ(p.block->constantBufferSize, kConstantStagingBytes);
  float values[16] = {};
  EXPECT_FALSE(WriteShaderConstant(&p, "huge", values, 16));
}

TEST(InputLayout, FormatsMatchEachAttribute) {
  ShaderProgram p6 = ProgramWith({{"a", 0, 4}}, 6);
  ASSERT_EQ(p6.block->inputElements.size(), 3u);
  EXPECT_EQ(p6.block->inputElements[2].semanticName, "COLOR");
  EXPECT_EQ(p6.block->inputElements[2].format, 28u);  // R8G8B8A8_UNORM

  ShaderProgram p10 = ProgramWith({{"a", 0, 4}}, 10);
  ASSERT_EQ(p10.block->inputElements.size(), 7u);
  EXPECT_EQ(p10.block->inputElements[0].format, 6u);   // R32G32B32_FLOAT
  EXPECT_EQ(p10.block->inputElements[1].format, 16u);  // R32G32_FLOAT
  EXPECT_EQ(p10.block->inputElements[4].semanticName, "JOINTS");
  EXPECT_EQ(p10.block->inputElements[4].format, 4u);  // R32G32B32A32_UINT
  EXPECT_EQ(p10.block->inputElements[5].format, 2u);  // R32G32B32A32_FLOAT
  EXPECT_EQ(p10.block->inputElements[6].semanticName, "INDEX");
  EXPECT_EQ(p10.block->inputElements[6].format, 43u);  // R32_UINT

  ShaderProgram p8 = ProgramWith({{"a", 0, 4}}, 8);
  EXPECT_EQ(p8.block->inputElements[2].format, 2u);

  for (int32_t id : {1, 2, 3, 13, -1}) {
    ShaderProgram none = ProgramWith({{"a", 0, 4}}, id);
    EXPECT_TRUE(none.block->inputElements.empty()) << id;
  }
  EXPECT_EQ(InputElementFormat(kAttributeFloat, 1), 41u);
  EXPECT_EQ(InputElementFormat(kAttributeUint, 2), 18u);
  EXPECT_EQ(InputElementFormat(kAttributeUint, 3), 8u);
  EXPECT_EQ(InputElementFormat(kAttributeFloat, 7), 2u);
}

namespace {

Vec3 Apply(const Mat4& m, Vec3 p) {
  return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
          p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
          p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

}  // namespace

TEST(SceneObjectMatrix, PivotScaleRotateTranslate) {
  SceneObject o;
  o.origin = {0.5f, 0.5f, 0};
  o.scale = {2, 4, 1};
  o.position = {10, 20, 0};
  Mat4 m = SceneObjectModelMatrix(o);
  Vec3 a = Apply(m, {0.5f, 0.5f, 0});
  EXPECT_FLOAT_EQ(a.x, 10);
  EXPECT_FLOAT_EQ(a.y, 20);
  Vec3 b = Apply(m, {1, 1, 0});
  EXPECT_FLOAT_EQ(b.x, 11);
  EXPECT_FLOAT_EQ(b.y, 22);

  SceneObject r;
  float s = std::sqrt(0.5f);
  r.rotation = {0, 0, s, s};
  Vec3 c = Apply(SceneObjectModelMatrix(r), {1, 0, 0});
  EXPECT_NEAR(c.x, 0, 1e-6);
  EXPECT_NEAR(c.y, 1, 1e-6);
}

TEST(SceneObjectMatrix, ConstantsGoOnlyWhereTheProgramDeclaresThem) {
  ShaderProgram p = ProgramWith({{"modelMat", 0, 16}, {"inverseModelMat", 0, 12},
                                 {"mvMat", 0, 16}});
  std::memset(p.block->constantStaging, 0xAB, 256);
  SceneObject o;
  o.scale = {2, 4, 0};  // singular 3x3: stays uninverted
  Mat4 model = SceneObjectModelMatrix(o);
  Mat4 view = IdentityMat4();
  view.m[12] = 5;
  WriteMatrixConstants(&p, model, MatMul(model, view));
  float staged[44];
  std::memcpy(staged, p.block->constantStaging, sizeof(staged));
  EXPECT_EQ(staged[0], 2.0f);
  EXPECT_EQ(staged[5], 4.0f);
  EXPECT_EQ(staged[16], 2.0f);  // inverse row 0 = model row 0 (singular)
  EXPECT_EQ(staged[21], 4.0f);
  uint32_t untouched;
  std::memcpy(&untouched, &staged[19], 4);
  EXPECT_EQ(untouched, 0xABABABABu);  // the register's fourth float is left alone
  EXPECT_EQ(staged[28 + 12], 5.0f);   // mvMat translation

  ShaderProgram inverting = ProgramWith({{"inverseModelMat", 0, 9}});
  SceneObject q;
  q.scale = {2, 4, 8};
  WriteMatrixConstants(&inverting, SceneObjectModelMatrix(q), IdentityMat4());
  float inv[12];
  std::memcpy(inv, inverting.block->constantStaging, sizeof(inv));
  EXPECT_FLOAT_EQ(inv[0], 0.5f);
  EXPECT_FLOAT_EQ(inv[5], 0.25f);
  EXPECT_FLOAT_EQ(inv[10], 0.125f);

  ShaderProgram onlyMv = ProgramWith({{"mvMat", 0, 16}, {"projMat", 0, 16}});
  std::memset(onlyMv.block->constantStaging, 0, 256);
  WriteMatrixConstants(&onlyMv, model, view);
  float mv[32];
  std::memcpy(mv, onlyMv.block->constantStaging, sizeof(mv));
  EXPECT_EQ(mv[12], 5.0f);
  EXPECT_EQ(mv[16], 0.0f);
}

TEST(Samplers, SearchMovesBetweenFilterAndAddressEntries) {
  SamplerDesc table[kSamplerCount];
  FillStartSamplerTable(table);
  EXPECT_EQ(table[8].filter, 0u);
  EXPECT_EQ(table[8].maxAnisotropy, 0u);
  EXPECT_EQ(PointFilterSampler(table, 2), 6u);
  EXPECT_EQ(MirrorAddressingSampler(table, 6), 4u);
  EXPECT_EQ(MirrorAddressingSampler(table, 0), 0u);
  EXPECT_EQ(PointFilterSampler(table, 0), 4u);
  SamplerDesc odd = table[1];
  odd.mipLodBias = 1.5f;
  EXPECT_EQ(FindSampler(table, odd), 0u);  // no match falls back to entry 0
}

TEST(MeshHandleArray, CountPrefixedArrayStartsEmpty) {
  MeshHandle* handles = MeshHandle::NewArray(50);
  ASSERT_NE(handles, nullptr);
  EXPECT_EQ(MeshHandle::ArrayCount(handles), 50u);
  for (uint64_t i = 0; i < 50; ++i) {
    EXPECT_EQ(handles[i].vertexBuffer, 0xFFFFFFFFu);
    EXPECT_EQ(handles[i].indexBuffer, 0xFFFFFFFFu);
  }
  MeshHandle::FreeArrayBlock(handles);
}
