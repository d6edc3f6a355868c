// Native builds have no keyboard of their own: the held state is what the key messages left in
// the keys array, which is how tests drive the game.
#include "app/input.h"

namespace {
bool MessageHeld(void* context, int virtualKey) {
  return static_cast<InputState*>(context)->keys[virtualKey & 0xFF];
}
}  // namespace

void InputState::Poll() { PollWith(MessageHeld, this); }
