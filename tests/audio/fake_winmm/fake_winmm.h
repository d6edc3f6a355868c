#pragma once
// The fake driver behind windows.h and mmsystem.h. Like a real one it plays written buffers on
// a thread of its own (a few milliseconds each) and signals the device's event for each one and
// at open and close; a reset hands every queued buffer back, and unprepare and close refuse
// while a buffer is queued. A test can make a step fail or a call stall; the counters let it
// see what the back end left open.
#include <atomic>

#include "mmsystem.h"
#include "windows.h"

// The next call blocks for nextMs (INFINITE: until FakeWinMMReleaseStalls), then goes on.
struct FakeStall {
  std::atomic<DWORD> nextMs{0};
  std::atomic<int> stalled{0};  // calls blocked right now
};

struct FakeWinMM {
  std::atomic<DWORD> createEventError{0};   // non-zero: CreateEventW fails with this error
  std::atomic<DWORD> createThreadError{0};  // non-zero: CreateThread fails with this error
  std::atomic<MMRESULT> openError{0};       // non-zero: waveOutOpen answers this
  std::atomic<int> failPrepareAt{0};        // n > 0: the n-th waveOutPrepareHeader from now fails
  std::atomic<bool> failWrites{false};      // waveOutWrite answers MMSYSERR_NODRIVER
  FakeStall writeStall, resetStall, closeStall;
  std::atomic<int> openEvents{0};
  std::atomic<int> openDevices{0};
  std::atomic<int> preparedHeaders{0};
  std::atomic<int> runningThreads{0};
};

extern FakeWinMM gFakeWinMM;

// Ends every stall now, as a driver that lets go.
void FakeWinMMReleaseStalls();
