// Input state: the message side and the per-frame poll.
#include <gtest/gtest.h>

#include "app/input.h"

namespace {

struct HeldKeys {
  bool held[256];
};

bool IsHeld(void* context, int key) { return static_cast<HeldKeys*>(context)->held[key & 0xFF]; }

}  // namespace

TEST(TypedQueue, DropsBackspaceZeroAndOutOfRangeUnits) {
  InputState in = {};
  in.OnChar(8);
  in.OnChar(0);
  in.OnChar(0x10000);
  in.OnChar(0xE9);
  ASSERT_EQ(in.typedCount, 1u);
  EXPECT_EQ(in.typed[0], 0xE9);
}

TEST(TypedQueue, IsBoundedAt1024Units) {
  InputState in = {};
  for (uint32_t i = 0; i < 2000; ++i) in.OnChar('a' + (i % 26));
  EXPECT_EQ(in.typedCount, InputState::kTypedCapacity);
  EXPECT_EQ(in.typed[1023], 'a' + (1023 % 26));
}

TEST(KeyMessages, OnlyCodesBelow256AreRecorded) {
  InputState in = {};
  in.OnKey('A', true);
  in.OnKey(300, true);
  EXPECT_TRUE(in.keys['A']);
  in.OnKey('A', false);
  EXPECT_FALSE(in.keys['A']);
  for (bool k : in.keys) EXPECT_FALSE(k);
}

TEST(Poll, LeftBeatsRightAndUpBeatsDown) {
  InputState in = {};
  HeldKeys keys = {};
  keys.held[kVkLeft] = keys.held[kVkRight] = true;
  keys.held[kVkUp] = keys.held[kVkDown] = true;
  in.PollWith(IsHeld, &keys);
  for (const AxisPair& a : in.axes) {
    EXPECT_EQ(a.x, -1.0f);
    EXPECT_EQ(a.y, 1.0f);
  }
  keys = {};
  keys.held[kVkRight] = keys.held[kVkDown] = true;
  in.PollWith(IsHeld, &keys);
  EXPECT_EQ(in.axes[2].x, 1.0f);
  EXPECT_EQ(in.axes[2].y, -1.0f);
}

TEST(Poll, TakesFrameCopiesAndRestartsTheWheelCounts) {
  InputState in = {};
  HeldKeys keys = {};
  keys.held[kVkSpace] = keys.held[kVkEscape] = keys.held[kVkF1 + 3] = true;
  in.leftDown = true;
  in.cursorX = 10;
  in.cursorY = 20;
  in.OnWheel(120);
  in.OnWheel(360);  // several notches in one message count once
  in.OnWheel(0);
  in.OnWheel(-120);
  in.PollWith(IsHeld, &keys);
  EXPECT_TRUE(in.space);
  EXPECT_TRUE(in.escape);
  EXPECT_TRUE(in.functionKeys[3]);
  EXPECT_FALSE(in.functionKeys[0]);
  EXPECT_TRUE(in.frameLeftDown);
  EXPECT_EQ(in.frameCursorX, 10.0f);
  EXPECT_EQ(in.frameCursorY, 20.0f);
  EXPECT_EQ(in.frameWheelUp, 2);
  EXPECT_EQ(in.frameWheelDown, 1);
  EXPECT_EQ(in.wheelUp, 0);
  in.PollWith(IsHeld, &keys);
  EXPECT_EQ(in.frameWheelUp, 0);
}
