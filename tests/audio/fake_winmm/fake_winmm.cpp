// The fake Win32 events and threads and the fake wave output device of windows.h, mmsystem.h
// and fake_winmm.h.
#include "fake_winmm.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "mmsystem.h"

FakeWinMM gFakeWinMM;

namespace {

struct Object {
  std::mutex lock;
  std::condition_variable changed;
  bool signalled = false;
  bool autoReset = false;
};

// A handle holds its object; a running thread holds its own too, so closing a thread's handle
// early is safe, as it is in Win32.
struct Handle {
  std::shared_ptr<Object> object;
};

struct Device {
  HANDLE bufferDone;
};

thread_local DWORD gLastError = 0;

void Signal(Object* o) {
  std::lock_guard<std::mutex> guard(o->lock);
  o->signalled = true;
  o->changed.notify_all();
}

}  // namespace

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, const wchar_t*) {
  if (DWORD error = gFakeWinMM.createEventError.load()) {
    gLastError = error;
    return nullptr;
  }
  Handle* h = new Handle{std::make_shared<Object>()};
  h->object->autoReset = !manualReset;
  h->object->signalled = initialState;
  return h;
}

BOOL SetEvent(HANDLE event) {
  Signal(static_cast<Handle*>(event)->object.get());
  return TRUE;
}

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* argument, DWORD, DWORD*) {
  Handle* h = new Handle{std::make_shared<Object>()};
  ++gFakeWinMM.runningThreads;
  std::thread([object = h->object, start, argument] {
    start(argument);
    Signal(object.get());
    --gFakeWinMM.runningThreads;
  }).detach();
  return h;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Object* o = static_cast<Handle*>(handle)->object.get();
  std::unique_lock<std::mutex> guard(o->lock);
  const auto isSignalled = [o] { return o->signalled; };
  if (milliseconds == INFINITE) o->changed.wait(guard, isSignalled);
  else o->changed.wait_for(guard, std::chrono::milliseconds(milliseconds), isSignalled);
  if (!o->signalled) return WAIT_TIMEOUT;
  if (o->autoReset) o->signalled = false;
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) {
  delete static_cast<Handle*>(handle);
  return TRUE;
}

DWORD GetLastError() { return gLastError; }

DWORD GetTickCount() {
  using namespace std::chrono;
  return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

MMRESULT waveOutOpen(HWAVEOUT* device, UINT, const WAVEFORMATEX*, DWORD_PTR callback, DWORD_PTR,
                     DWORD flags) {
  if (flags != CALLBACK_EVENT || !callback) return MMSYSERR_NODRIVER;
  *device = new Device{reinterpret_cast<HANDLE>(callback)};
  ++gFakeWinMM.openDevices;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT, WAVEHDR* header, UINT) {
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT, WAVEHDR* header, UINT) {
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT) {
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (DWORD stall = gFakeWinMM.stallNextWriteMs.exchange(0)) {
    ++gFakeWinMM.stalledWrites;
    Sleep(stall);
    --gFakeWinMM.stalledWrites;
  }
  if (gFakeWinMM.failWrites.load()) return MMSYSERR_NODRIVER;
  // Played at once: a little time passes and the buffer comes back done.
  Sleep(2);
  header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  SetEvent(static_cast<Device*>(device)->bufferDone);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT) { return MMSYSERR_NOERROR; }

MMRESULT waveOutClose(HWAVEOUT device) {
  delete static_cast<Device*>(device);
  --gFakeWinMM.openDevices;
  return MMSYSERR_NOERROR;
}
