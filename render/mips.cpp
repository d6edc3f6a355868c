#include "render/mips.h"

namespace {

// The filter's weights as single-precision constants; the sums below run in a fixed order, so
// every build rounds alike (the library is built without floating-point contraction).
constexpr float kNeighbourWeight = 0.12f;
constexpr float kWeightSum = 1.96f;

// The 3 x 3 smoothing of one byte: taps at byte offsets l, c, r of the rows up, centre and down,
// summed in exactly this order in single precision, then truncated: the results are meant to be
// bit-identical in every build.
inline int Smooth(const uint8_t* up, const uint8_t* centre, const uint8_t* down, size_t l,
                  size_t c, size_t r) {
  float s = kNeighbourWeight * up[l];
  s += kNeighbourWeight * up[c];
  s += kNeighbourWeight * up[r];
  s += kNeighbourWeight * centre[l];
  s += float(centre[c]);
  s += kNeighbourWeight * centre[r];
  s += kNeighbourWeight * down[l];
  s += kNeighbourWeight * down[c];
  s += kNeighbourWeight * down[r];
  int value = int(s / kWeightSum);
  return value < 0 ? 0 : (value > 255 ? 255 : value);
}

// Smoothing at source column u with a left tap `leftStep` columns back; taps past the row's last
// column read the last column.
inline int SmoothClamped(const uint8_t* up, const uint8_t* centre, const uint8_t* down,
                         uint32_t u, uint32_t leftStep, uint32_t last, uint32_t texelBytes,
                         uint32_t byte) {
  uint32_t l = u - leftStep < last ? u - leftStep : last;
  uint32_t c = u < last ? u : last;
  uint32_t r = u + 1 < last ? u + 1 : last;
  return Smooth(up, centre, down, size_t(l) * texelBytes + byte, size_t(c) * texelBytes + byte,
                size_t(r) * texelBytes + byte);
}

// Smoothings of one stretch of a row, kept on the stack: a plain map over consecutive bytes,
// which the compiler vectorises.
constexpr uint32_t kStretchBytes = 512;

// One destination row from source rows up, centre and down (source width ws >= 2). Destination
// texel x blends the smoothings at source columns 2x, 2x + 1 and 2x + 2 by 1:2:1. From x = 1 on,
// all three take their left tap one column back, so a smoothing depends on its column alone and
// neighbouring texels share one. Forced inline so each texel size gets its own loops.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline void HalveRow(const uint8_t* up, const uint8_t* centre, const uint8_t* down, uint32_t ws,
                     uint32_t c, uint8_t* out) {
  uint32_t wd = ws >> 1;
  uint32_t last = ws - 1;
  for (uint32_t b = 0; b < c; ++b) {  // x = 0: no left neighbour, the left tap is the centre
    int f1 = SmoothClamped(up, centre, down, 0, 0, last, c, b);
    int f2 = SmoothClamped(up, centre, down, 1, 0, last, c, b);
    int f3 = SmoothClamped(up, centre, down, 2, 0, last, c, b);
    out[b] = uint8_t((f1 + 2 * f2 + f3) >> 2);
  }
  // Texels whose taps all lie inside the row need no clamping: 2x + 3 <= last.
  uint32_t interiorEnd = last >= 3 ? (last - 3) / 2 + 1 : 1;
  if (interiorEnd > wd) interiorEnd = wd;
  uint32_t perStretch = (kStretchBytes / c) >= 3 ? (kStretchBytes / c - 1) / 2 : 0;
  uint32_t x = 1;
  int smoothed[kStretchBytes];
  while (perStretch > 0 && x < interiorEnd) {
    uint32_t n = interiorEnd - x < perStretch ? interiorEnd - x : perStretch;
    size_t first = size_t(2 * x) * c;  // byte offset of column 2x
    size_t count = size_t(2 * n + 1) * c;
    for (size_t i = 0; i < count; ++i) {
      size_t m = first + i;
      smoothed[i] = Smooth(up, centre, down, m - c, m, m + c);
    }
    uint8_t* o = out + size_t(x) * c;
    for (uint32_t j = 0; j < n; ++j) {
      for (uint32_t b = 0; b < c; ++b) {
        size_t i = size_t(2 * j) * c + b;
        o[size_t(j) * c + b] =
            uint8_t((smoothed[i] + 2 * smoothed[i + c] + smoothed[i + 2 * c]) >> 2);
      }
    }
    x += n;
  }
  for (; x < wd; ++x) {
    uint8_t* o = out + size_t(x) * c;
    for (uint32_t b = 0; b < c; ++b) {
      int f1 = SmoothClamped(up, centre, down, 2 * x, 1, last, c, b);
      int f2 = SmoothClamped(up, centre, down, 2 * x + 1, 1, last, c, b);
      int f3 = SmoothClamped(up, centre, down, 2 * x + 2, 1, last, c, b);
      o[b] = uint8_t((f1 + 2 * f2 + f3) >> 2);
    }
  }
}

// Writes the level of (ws >> 1) x (hs >> 1) texels behind a level of ws x hs; both sides >= 2.
void HalveLevel(const uint8_t* src, uint32_t ws, uint32_t hs, uint32_t c, uint8_t* dst) {
  size_t srcPitch = size_t(ws) * c;
  size_t dstPitch = size_t(ws >> 1) * c;
  for (uint32_t y = 0; y < (hs >> 1); ++y) {
    const uint8_t* centre = src + size_t(2 * y) * srcPitch;
    const uint8_t* up = y > 0 ? centre - srcPitch : centre;
    const uint8_t* down = centre + srcPitch;
    uint8_t* out = dst + size_t(y) * dstPitch;
    switch (c) {  // constant texel sizes let the compiler unroll the byte loops
      case 1: HalveRow(up, centre, down, ws, 1, out); break;
      case 3: HalveRow(up, centre, down, ws, 3, out); break;
      case 4: HalveRow(up, centre, down, ws, 4, out); break;
      default: HalveRow(up, centre, down, ws, c, out); break;
    }
  }
}

}  // namespace

uint32_t MipLevelCount(uint32_t width, uint32_t height) {
  uint32_t side = width < height ? width : height;
  uint32_t levels = 1;
  while (side > 1) {
    side >>= 1;
    ++levels;
  }
  return levels;
}

size_t MipChainBytes(uint32_t width, uint32_t height, uint32_t bytesPerTexel) {
  uint32_t levels = MipLevelCount(width, height);
  size_t total = 0;
  for (uint32_t i = 0; i < levels; ++i) {
    total += size_t(width >> i) * (height >> i) * bytesPerTexel;
  }
  return total;
}

void GenerateMips(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* levelCount,
                  uint32_t bytesPerTexel) {
  uint32_t levels = MipLevelCount(width, height);
  *levelCount = levels;
  uint8_t* level = pixels;
  for (uint32_t k = 1; k < levels; ++k) {
    uint32_t w = width >> (k - 1);
    uint32_t h = height >> (k - 1);
    uint8_t* next = level + size_t(w) * h * bytesPerTexel;
    HalveLevel(level, w, h, bytesPerTexel, next);
    level = next;
  }
}
