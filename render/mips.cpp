#include "render/mips.h"

namespace {

// The filter's weights as single-precision constants; the sums below run in a fixed order, so
// every build rounds alike (the library is built without floating-point contraction).
constexpr float kNeighbourWeight = 0.12f;
constexpr float kWeightSum = 1.96f;

struct SourceLevel {
  const uint8_t* texels;
  uint32_t width;
  uint32_t texelBytes;
  size_t rowPitch;
};

// The 3 x 3 smoothing around column `column` of the rows at `up`, `centre` and `down`, for one
// byte of the texel. Columns past the row's end read its last column.
inline int Smooth(const SourceLevel& src, const uint8_t* up, const uint8_t* centre,
                  const uint8_t* down, uint32_t column, uint32_t leftStep, uint32_t byte) {
  uint32_t last = src.width - 1;
  uint32_t c = column < last ? column : last;
  uint32_t l = column - leftStep < last ? column - leftStep : last;
  uint32_t r = column + 1 < last ? column + 1 : last;
  size_t lo = size_t(l) * src.texelBytes + byte;
  size_t co = size_t(c) * src.texelBytes + byte;
  size_t ro = size_t(r) * src.texelBytes + byte;
  float s = kNeighbourWeight * up[lo];
  s += kNeighbourWeight * up[co];
  s += kNeighbourWeight * up[ro];
  s += kNeighbourWeight * centre[lo];
  s += float(centre[co]);
  s += kNeighbourWeight * centre[ro];
  s += kNeighbourWeight * down[lo];
  s += kNeighbourWeight * down[co];
  s += kNeighbourWeight * down[ro];
  int value = int(s / kWeightSum);
  return value < 0 ? 0 : (value > 255 ? 255 : value);
}

void HalveLevel(const SourceLevel& src, uint32_t srcHeight, uint8_t* dst) {
  uint32_t dstWidth = src.width >> 1;
  uint32_t dstHeight = srcHeight >> 1;
  uint32_t c = src.texelBytes;
  for (uint32_t y = 0; y < dstHeight; ++y) {
    uint32_t sy = 2 * y;
    const uint8_t* centre = src.texels + size_t(sy) * src.rowPitch;
    const uint8_t* up = y > 0 ? centre - src.rowPitch : centre;
    const uint8_t* down = centre + src.rowPitch;
    uint8_t* out = dst + size_t(y) * dstWidth * c;
    for (uint32_t x = 0; x < dstWidth; ++x) {
      uint32_t sx = 2 * x;
      uint32_t leftStep = x > 0 ? 1 : 0;
      for (uint32_t b = 0; b < c; ++b) {
        int f1 = Smooth(src, up, centre, down, sx, leftStep, b);
        int f2 = Smooth(src, up, centre, down, sx + 1, leftStep, b);
        int f3 = Smooth(src, up, centre, down, sx + 2, leftStep, b);
        out[size_t(x) * c + b] = uint8_t((f1 + 2 * f2 + f3) >> 2);
      }
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
    SourceLevel src{level, w, bytesPerTexel, size_t(w) * bytesPerTexel};
    uint8_t* next = level + src.rowPitch * h;
    HalveLevel(src, h, next);
    level = next;
  }
}
