#pragma once
// Small writers shared by the mesh readers, so every reader treats the odd slots alike: 2-D
// positions take only x and y, format 6 packs its colour into one RGBA8 word, integer slots hold
// raw 32-bit patterns.
#include <cstdint>
#include <cstring>

#include "mesh/vertex_format.h"

inline void WriteSlotU32(float* slot, uint32_t value) { std::memcpy(slot, &value, 4); }

inline uint32_t ReadSlotU32(const float* slot) {
  uint32_t value;
  std::memcpy(&value, slot, 4);
  return value;
}

// RGBA8 with red in the lowest byte, the memory order of DXGI_FORMAT_R8G8B8A8_UNORM.
inline uint32_t PackRgba8(float r, float g, float b, float a) {
  auto byte = [](float c) -> uint32_t {
    if (!(c > 0.0f)) return 0;  // NaN and negatives
    if (c >= 1.0f) return 255;
    return uint32_t(c * 255.0f + 0.5f);
  };
  return byte(r) | (byte(g) << 8) | (byte(b) << 16) | (byte(a) << 24);
}

// Writes a position's first components into a vertex; a 2-D format drops z rather than letting
// it spill into the texture coordinate.
inline void WriteVertexPosition(float* vertex, VertexFormat format, float x, float y, float z) {
  const int32_t at = kVertexFormats.positionOffset[format];
  vertex[at] = x;
  vertex[at + 1] = y;
  if (VertexFormatPositionComponents(format) >= 3) vertex[at + 2] = z;
}

// Writes an RGB colour: three floats, or in format 6 one packed word with opaque alpha (three
// floats there would run into the next vertex). Formats without a colour are left alone.
inline void WriteVertexColor(float* vertex, VertexFormat format, float r, float g, float b) {
  const int32_t at = kVertexFormats.colorOffset[format];
  if (at < 0) return;
  if (kVertexFormats.colorComponents[format] == 1) {
    WriteSlotU32(vertex + at, PackRgba8(r, g, b, 1.0f));
    return;
  }
  vertex[at] = r;
  vertex[at + 1] = g;
  vertex[at + 2] = b;
}
