#pragma once
// The arithmetic of the game's screen side, kept apart from the drawing so it is tested natively:
// virtual units to viewport pixels, text-box sizes, the walk frame of a timer, and UTF-8 decoding
// of formatted text.
#include <cstdint>

#include "app/math.h"

constexpr float kVirtualWidth = 1280.0f;
constexpr float kVirtualHeight = 720.0f;
// Formatted text is built in a buffer of this many bytes (the last one the terminating zero) and
// decoded into as many code points at most.
constexpr uint32_t kTextBufferBytes = 512;

// Corners of a scissor box in viewport pixels, bottom-left origin.
struct PixelRect {
  int32_t x0, y0, x1, y1;
};

// Virtual units to clip space: x / 640 - 1, y / 360 - 1, depth (1 - z) / 6.
Mat4 VirtualScreenProjection();

// floor(height / divisor) in single precision: 720 gives 30, 1000 gives 41, 1080 gives 45.
uint32_t FontPixelSizeForHeight(int32_t viewportHeight, float lineDivisor);
// A box in virtual units scaled to the viewport: 500 x 40 gives 750 x 60 at 1920 x 1080.
Vec2 VirtualSizeToPixels(Vec2 size, int32_t viewportWidth, int32_t viewportHeight);
// A rectangle given in virtual units, corners cut toward zero after the sums are taken.
PixelRect VirtualRectToPixels(Vec2 position, Vec2 size, int32_t viewportX, int32_t viewportY,
                              int32_t viewportWidth, int32_t viewportHeight);
// A text box at a pixel position with the box's width and height, cut toward zero.
PixelRect TextBoxPixels(Vec2 position, uint32_t width, uint32_t height, int32_t viewportX,
                        int32_t viewportY);

// Walk frame 0-5 of a walk-cycle timer of 0 to 1 (six frames of 1/6 s; 1.0 shows frame 5).
int32_t WalkFrameIndex(float timer);

// Decodes UTF-8 into at most `capacity` code points and returns the count. Malformed or cut
// sequences become U+FFFD, one per bad byte, so no input reads past its zero terminator.
uint32_t DecodeUtf8(const char* text, uint32_t* codePoints, uint32_t capacity);
