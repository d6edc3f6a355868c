// The screen side's arithmetic: font size and boxes that follow the window, walk frames, the
// enemies' drawing order and the decoding of formatted text.
#include <gtest/gtest.h>

#include <vector>

#include "game/game.h"
#include "game/screen_layout.h"

TEST(TextBoxes, FontSizeFollowsTheViewportHeight) {
  EXPECT_EQ(FontPixelSizeForHeight(720, 24.0f), 30u);
  EXPECT_EQ(FontPixelSizeForHeight(1000, 24.0f), 41u);
  EXPECT_EQ(FontPixelSizeForHeight(1080, 24.0f), 45u);
  // A minimised or tiny window never asks FreeType for a zero size.
  EXPECT_EQ(FontPixelSizeForHeight(0, 24.0f), 1u);
  EXPECT_EQ(FontPixelSizeForHeight(1, 24.0f), 1u);
  EXPECT_EQ(FontPixelSizeForHeight(2160, 24.0f), 90u);
}

TEST(TextBoxes, ChoiceBoxScalesWithEachAxis) {
  Vec2 box = VirtualSizeToPixels({500, 40}, 1280, 720);
  EXPECT_FLOAT_EQ(box.x, 500.0f);
  EXPECT_FLOAT_EQ(box.y, 40.0f);
  box = VirtualSizeToPixels({500, 40}, 1920, 1080);
  EXPECT_FLOAT_EQ(box.x, 750.0f);
  EXPECT_FLOAT_EQ(box.y, 60.0f);
  box = VirtualSizeToPixels({500, 40}, 640, 1080);  // the aspect ratio is not kept
  EXPECT_FLOAT_EQ(box.x, 250.0f);
  EXPECT_FLOAT_EQ(box.y, 60.0f);
}

TEST(TextBoxes, RectanglesAndTextBoxesCutTowardZero) {
  PixelRect r = VirtualRectToPixels({100, 100}, {1080, 520}, 0, 0, 1280, 720);
  EXPECT_EQ(r.x0, 100);
  EXPECT_EQ(r.y0, 100);
  EXPECT_EQ(r.x1, 1180);
  EXPECT_EQ(r.y1, 620);
  r = VirtualRectToPixels({100, 100}, {1080, 520}, 0, 0, 1000, 500);
  EXPECT_EQ(r.x0, 78);   // 78.125
  EXPECT_EQ(r.y0, 69);   // 69.44
  EXPECT_EQ(r.x1, 921);  // 78.125 + 843.75
  EXPECT_EQ(r.y1, 430);  // 69.44 + 361.1
  PixelRect t = TextBoxPixels({100.7f, 600.2f}, 500, 40, 0, 0);
  EXPECT_EQ(t.x0, 100);
  EXPECT_EQ(t.y0, 600);
  EXPECT_EQ(t.x1, 600);
  EXPECT_EQ(t.y1, 640);
}

namespace {
// A point in virtual units through the projection, as the shaders multiply it (row vector).
Vec3 Project(const Mat4& m, float x, float y, float z) {
  const float v[4] = {x, y, z, 1.0f};
  float out[4] = {};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[c] += v[r] * m.m[4 * r + c];
  return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}
}  // namespace

TEST(Projection, VirtualScreenFillsClipSpaceWithDepthBySix) {
  const Mat4 m = VirtualScreenProjection();
  Vec3 p = Project(m, 0, 0, 1);
  EXPECT_FLOAT_EQ(p.x, -1.0f);
  EXPECT_FLOAT_EQ(p.y, -1.0f);
  EXPECT_FLOAT_EQ(p.z, 0.0f);
  p = Project(m, 1280, 720, -2);
  EXPECT_FLOAT_EQ(p.x, 1.0f);
  EXPECT_FLOAT_EQ(p.y, 1.0f);
  EXPECT_FLOAT_EQ(p.z, 0.5f);
  p = Project(m, 640, 180, -5);
  EXPECT_FLOAT_EQ(p.x, 0.0f);
  EXPECT_FLOAT_EQ(p.y, -0.5f);
  EXPECT_FLOAT_EQ(p.z, 1.0f);
}

TEST(Sprites, WalkFramesCycleOverOneSecond) {
  EXPECT_EQ(WalkFrameIndex(0.0f), 0);
  EXPECT_EQ(WalkFrameIndex(0.16f), 0);
  EXPECT_EQ(WalkFrameIndex(0.17f), 1);
  EXPECT_EQ(WalkFrameIndex(0.999f), 5);
  EXPECT_EQ(WalkFrameIndex(1.0f), 5);
  EXPECT_EQ(WalkFrameIndex(7.0f), 5);
  EXPECT_EQ(WalkFrameIndex(-1.0f), 0);
}

TEST(DrawOrder, HigherEnemiesComeFirstAndTiesFollowTheQuicksort) {
  static Game game;
  const float ys[kEnemySlots] = {300, 250, 475, 300, 350, 250, 300, 475, 0,   0,
                                 100, 300, 250, 350, 475, 200, 300, 0,   475, 250};
  for (int i = 0; i < kEnemySlots; ++i) game.enemies[i].position.y = ys[i];
  uint32_t order[kEnemySlots];
  for (uint32_t i = 0; i < kEnemySlots; ++i) order[i] = i;
  Game::SortByDepth(&game, order, 0, kEnemySlots - 1);
  for (int i = 1; i < kEnemySlots; ++i)
    EXPECT_GE(ys[order[i - 1]], ys[order[i]]) << "position " << i;
  std::vector<bool> seen(kEnemySlots, false);
  for (uint32_t slot : order) {
    ASSERT_LT(slot, static_cast<uint32_t>(kEnemySlots));
    EXPECT_FALSE(seen[slot]);
    seen[slot] = true;
  }
}

TEST(DrawOrder, PartitionKeepsEqualKeysAfterThePivot) {
  static Game game;
  const float ys[4] = {5, 7, 5, 3};
  for (int i = 0; i < 4; ++i) game.enemies[i].position.y = ys[i];
  uint32_t order[4] = {0, 1, 2, 3};
  // Pivot slot 2 (y 5) is parked at the end; only 7 is strictly greater and moves to the front;
  // slot 0 (y 5, equal to the key) ends after the pivot: [1, 2, 3, 0].
  uint32_t p = Game::PartitionByDepth(&game, order, 0, 3, 2);
  EXPECT_EQ(p, 1u);
  EXPECT_EQ(order[0], 1u);
  EXPECT_EQ(order[1], 2u);
  EXPECT_EQ(order[2], 3u);
  EXPECT_EQ(order[3], 0u);
}

TEST(FormattedText, DecodesUtf8AndReplacesBrokenSequences) {
  uint32_t cps[kTextBufferBytes];
  EXPECT_EQ(DecodeUtf8("", cps, kTextBufferBytes), 0u);
  ASSERT_EQ(DecodeUtf8("A\xC3\xA9\xE2\x82\xAC!", cps, kTextBufferBytes), 4u);
  EXPECT_EQ(cps[0], 'A');
  EXPECT_EQ(cps[1], 0xE9u);
  EXPECT_EQ(cps[2], 0x20ACu);
  EXPECT_EQ(cps[3], '!');
  // A lead byte cut off by the terminator, and a stray continuation byte.
  ASSERT_EQ(DecodeUtf8("x\xE2\x82", cps, kTextBufferBytes), 3u);
  EXPECT_EQ(cps[1], 0xFFFDu);
  EXPECT_EQ(cps[2], 0xFFFDu);
  ASSERT_EQ(DecodeUtf8("\x80z", cps, kTextBufferBytes), 2u);
  EXPECT_EQ(cps[1], static_cast<uint32_t>('z'));
  // Capacity bounds the output.
  EXPECT_EQ(DecodeUtf8("abcdef", cps, 3), 3u);
}
