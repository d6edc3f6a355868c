#include "game/screen_layout.h"

#include <cmath>
#include <cstring>

#include <utf8cpp/utf8.h>

Mat4 VirtualScreenProjection() {
  Mat4 m = {};
  m.m[0] = 2.0f / kVirtualWidth;
  m.m[5] = 2.0f / kVirtualHeight;
  m.m[10] = -1.0f / 6.0f;
  m.m[12] = -1.0f;
  m.m[13] = -1.0f;
  m.m[14] = 1.0f / 6.0f;
  m.m[15] = 1.0f;
  return m;
}

uint32_t FontPixelSizeForHeight(int32_t viewportHeight, float lineDivisor) {
  if (viewportHeight <= 0 || !(lineDivisor > 0.0f)) return 1;
  float size = std::floor(static_cast<float>(static_cast<uint32_t>(viewportHeight)) / lineDivisor);
  // A glyph needs at least one pixel; a huge window stays within what the atlas can hold.
  if (size < 1.0f) return 1;
  if (size > 1024.0f) return 1024;
  return static_cast<uint32_t>(size);
}

Vec2 VirtualSizeToPixels(Vec2 size, int32_t viewportWidth, int32_t viewportHeight) {
  return {size.x / kVirtualWidth * static_cast<float>(viewportWidth),
          size.y / kVirtualHeight * static_cast<float>(viewportHeight)};
}

PixelRect VirtualRectToPixels(Vec2 position, Vec2 size, int32_t viewportX, int32_t viewportY,
                              int32_t viewportWidth, int32_t viewportHeight) {
  float w = static_cast<float>(viewportWidth);
  float h = static_cast<float>(viewportHeight);
  float left = static_cast<float>(viewportX) + position.x / kVirtualWidth * w;
  float bottom = static_cast<float>(viewportY) + position.y / kVirtualHeight * h;
  float right = left + size.x / kVirtualWidth * w;
  float top = bottom + size.y / kVirtualHeight * h;
  return {static_cast<int32_t>(left), static_cast<int32_t>(bottom), static_cast<int32_t>(right),
          static_cast<int32_t>(top)};
}

PixelRect TextBoxPixels(Vec2 position, uint32_t width, uint32_t height, int32_t viewportX,
                        int32_t viewportY) {
  float x = static_cast<float>(viewportX) + position.x;
  float y = static_cast<float>(viewportY) + position.y;
  return {static_cast<int32_t>(x), static_cast<int32_t>(y),
          static_cast<int32_t>(static_cast<float>(width) + position.x + static_cast<float>(viewportX)),
          static_cast<int32_t>(static_cast<float>(height) + position.y + static_cast<float>(viewportY))};
}

int32_t WalkFrameIndex(float timer) {
  float frame = timer * 6.0f;
  if (!(frame >= 0.0f)) return 0;  // also catches NaN
  if (frame >= 5.0f) return 5;
  return static_cast<int32_t>(frame);
}

uint32_t DecodeUtf8(const char* text, uint32_t* codePoints, uint32_t capacity) {
  const char* it = text;
  const char* end = text + std::strlen(text);
  uint32_t count = 0;
  while (it < end && count < capacity) {
    const char* start = it;
    try {
      codePoints[count] = utf8::next(it, end);
    } catch (const utf8::exception&) {
      codePoints[count] = 0xFFFD;
      it = start + 1;
    }
    ++count;
  }
  return count;
}
