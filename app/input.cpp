#include "app/input.h"

InputState gInput;

void InputState::OnKey(uint64_t virtualKey, bool down) {
  if (virtualKey < 256) keys[virtualKey] = down;
}

void InputState::OnChar(uint64_t codeUnit) {
  // Backspace is an edit, not text; a full queue drops input rather than growing.
  if (codeUnit < 1 || codeUnit > 0xFFFF || codeUnit == 8) return;
  if (typedCount >= kTypedCapacity) return;
  typed[typedCount++] = static_cast<uint16_t>(codeUnit);
}

void InputState::OnWheel(int16_t delta) {
  if (delta > 0) ++wheelUp;
  if (delta < 0) ++wheelDown;
}

void InputState::PollWith(bool (*isHeld)(void* context, int virtualKey), void* context) {
  space = isHeld(context, kVkSpace);
  leftControl = isHeld(context, kVkLeftControl);
  for (int i = 0; i < 4; ++i) functionKeys[i] = isHeld(context, kVkF1 + i);
  escape = isHeld(context, kVkEscape);

  // Left wins over right and up over down: the second key is not asked when the first is held.
  float x = 0.0f;
  if (isHeld(context, kVkLeft)) x = -1.0f;
  else if (isHeld(context, kVkRight)) x = 1.0f;
  float y = 0.0f;
  if (isHeld(context, kVkUp)) y = 1.0f;
  else if (isHeld(context, kVkDown)) y = -1.0f;
  for (AxisPair& a : axes) a = {x, y};

  frameLeftDown = leftDown;
  frameRightDown = rightDown;
  frameMiddleDown = middleDown;
  frameCursorX = cursorX;
  frameCursorY = cursorY;
  frameWheelUp = wheelUp;
  frameWheelDown = wheelDown;
  wheelUp = 0;
  wheelDown = 0;
}
