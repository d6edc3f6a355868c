#pragma once
// The thirteen interleaved vertex layouts. Every vertex is a run of 4-byte slots; offsets and
// strides below count slots, so a vertex buffer's byte stride is 4 * stride. Slots hold floats,
// except joint indices and the trailing "INDEX" slot (raw u32) and format 6's colour (one packed
// RGBA8 word). Every user (renderer strides, input layouts, text quads, mesh readers) looks
// layouts up here.
#include <cstdint>

using VertexFormat = int32_t;

constexpr int32_t kVertexFormatCount = 13;
// The format the text layout writes glyph quads in.
constexpr VertexFormat kTextVertexFormat = 8;

// Parallel columns indexed by format id; -1 marks an attribute the format lacks.
struct VertexFormatTable {
  int32_t stride[kVertexFormatCount];
  int32_t positionOffset[kVertexFormatCount];
  int32_t uvOffset[kVertexFormatCount];  // also the position's component count (2 or 3)
  int32_t colorOffset[kVertexFormatCount];
  int32_t colorComponents[kVertexFormatCount];  // 3 RGB, 4 RGBA, 1 packed RGBA8
  int32_t normalOffset[kVertexFormatCount];
  int32_t jointsOffset[kVertexFormatCount];   // four u32
  int32_t weightsOffset[kVertexFormatCount];  // four floats
};

extern const VertexFormatTable kVertexFormats;

inline bool IsValidVertexFormat(int32_t format) {
  return format >= 0 && format < kVertexFormatCount;
}

// The stride in slots, or 0 for an id outside 0-12 (so callers can refuse it).
inline int32_t VertexFormatStride(int32_t format) {
  return IsValidVertexFormat(format) ? kVertexFormats.stride[format] : 0;
}

// Position components: 3 for a 3-D position, 2 for a 2-D one (0 for an invalid id). Format 3 is
// a bare 3-D position; everywhere else the texture coordinate follows the position directly.
inline int32_t VertexFormatPositionComponents(int32_t format) {
  if (!IsValidVertexFormat(format)) return 0;
  const int32_t uv = kVertexFormats.uvOffset[format];
  return uv < 0 ? kVertexFormats.stride[format] : uv;
}

// Slot of the trailing u32 "INDEX" value (formats 9-12), or -1.
int32_t VertexFormatIndexSlot(int32_t format);
