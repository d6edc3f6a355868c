#include <gtest/gtest.h>

#include "mesh/vertex_format.h"

namespace {

// Every attribute of a format must fit inside its stride and no two may share a slot; the
// renderer's input layouts and the readers both rely on that.
TEST(VertexFormat, AttributesFitTheirStrideWithoutOverlap) {
  for (int32_t f = 0; f < kVertexFormatCount; ++f) {
    const int32_t stride = kVertexFormats.stride[f];
    std::vector<int> owner(size_t(stride), 0);
    auto claim = [&](int32_t offset, int32_t count) {
      if (offset < 0) return;
      ASSERT_LE(offset + count, stride) << "format " << f;
      for (int32_t s = offset; s < offset + count; ++s) owner[size_t(s)]++;
    };
    claim(kVertexFormats.positionOffset[f], VertexFormatPositionComponents(f));
    if (kVertexFormats.uvOffset[f] >= 0) claim(kVertexFormats.uvOffset[f], 2);
    claim(kVertexFormats.colorOffset[f], kVertexFormats.colorComponents[f]);
    claim(kVertexFormats.normalOffset[f], 3);
    claim(kVertexFormats.jointsOffset[f], 4);
    claim(kVertexFormats.weightsOffset[f], 4);
    claim(VertexFormatIndexSlot(f), 1);
    for (int32_t s = 0; s < stride; ++s) EXPECT_EQ(owner[size_t(s)], 1) << "format " << f << " slot " << s;
  }
}

TEST(VertexFormat, KnownLayouts) {
  EXPECT_EQ(kVertexFormats.stride[0], 11);
  EXPECT_EQ(kVertexFormats.normalOffset[0], 8);
  EXPECT_EQ(kVertexFormats.stride[8], 8);
  EXPECT_EQ(kVertexFormats.colorComponents[8], 4);
  EXPECT_EQ(kVertexFormats.colorComponents[6], 1);
  EXPECT_EQ(VertexFormatPositionComponents(3), 3);
  EXPECT_EQ(VertexFormatPositionComponents(11), 2);
  EXPECT_EQ(VertexFormatIndexSlot(9), 5);
  EXPECT_EQ(VertexFormatIndexSlot(10), 19);
  EXPECT_EQ(VertexFormatIndexSlot(11), 4);
  EXPECT_EQ(VertexFormatIndexSlot(12), 18);
  EXPECT_EQ(VertexFormatIndexSlot(8), -1);
  EXPECT_EQ(kVertexFormats.jointsOffset[5], 8);
  EXPECT_EQ(kVertexFormats.weightsOffset[12], 14);
}

TEST(VertexFormat, InvalidIdsHaveNoStride) {
  EXPECT_EQ(VertexFormatStride(-1), 0);
  EXPECT_EQ(VertexFormatStride(13), 0);
  EXPECT_EQ(VertexFormatStride(12), 19);
  EXPECT_EQ(VertexFormatPositionComponents(99), 0);
}

}  // namespace
