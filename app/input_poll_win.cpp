// The poll reads the keyboard's physical state at the moment of the call.
#include <windows.h>

#include "app/input.h"

namespace {
bool AsyncHeld(void*, int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }
}  // namespace

void InputState::Poll() { PollWith(AsyncHeld, nullptr); }
