#pragma once
// The fake driver behind windows.h and mmsystem.h: every write plays at once (a few
// milliseconds pass) and signals the device's event, unless the test asks for a stall or a
// failure. The counters let a test see what the back end left open.
#include <atomic>

#include "windows.h"

struct FakeWinMM {
  std::atomic<DWORD> createEventError{0};  // non-zero: CreateEventW fails with this error
  std::atomic<bool> failWrites{false};     // waveOutWrite answers MMSYSERR_NODRIVER
  std::atomic<DWORD> stallNextWriteMs{0};  // the next waveOutWrite blocks this long
  std::atomic<int> stalledWrites{0};       // writes blocked right now
  std::atomic<int> openDevices{0};
  std::atomic<int> runningThreads{0};
};

extern FakeWinMM gFakeWinMM;
