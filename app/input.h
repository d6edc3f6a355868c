#pragma once
// The one keyboard and mouse state (gInput). The window procedure writes the message side as
// messages arrive; Poll, once a frame at the start of the game's update, reads the held keys and
// takes the frame copies the game reads.
#include <cstdint>

struct AxisPair {
  float x, y;
};

struct InputState {
  static constexpr uint32_t kTypedCapacity = 1024;

  bool leftDown, rightDown, middleDown;
  float cursorX, cursorY;  // client pixels, y upward from the bottom edge
  uint16_t wheelUp, wheelDown;
  bool keys[256];  // per virtual-key code, from the key messages

  AxisPair axes[3];  // the three pairs always hold the same arrow-key directions
  bool space, leftControl;
  bool functionKeys[4];
  bool frameLeftDown, frameRightDown, frameMiddleDown;
  float frameCursorX, frameCursorY;
  uint16_t frameWheelUp, frameWheelDown;
  bool escape;

  uint32_t typedCount;
  uint16_t typed[kTypedCapacity];  // UTF-16 code units from WM_CHAR; full means later ones drop

  // Message side.
  void OnKey(uint64_t virtualKey, bool down);
  void OnChar(uint64_t codeUnit);
  void OnWheel(int16_t delta);
  // Frame side: reads the held state of the polled keys through the platform.
  void Poll();
  // Poll with the held state given by a function (the platform's, or a test's).
  void PollWith(bool (*isHeld)(void* context, int virtualKey), void* context);
};

extern InputState gInput;

// Virtual-key codes the game uses, as Windows numbers them.
enum : int {
  kVkSpace = 0x20,
  kVkEscape = 0x1B,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkF1 = 0x70,
  kVkLeftControl = 0xA2,
  kVkNumpad1 = 0x61,
};
