// The fake Win32 events and threads and the fake wave output device of windows.h, mmsystem.h
// and fake_winmm.h.
#include "fake_winmm.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

FakeWinMM gFakeWinMM;

namespace {

// A real buffer of 4,096 frames plays for 93 ms; a short one keeps the tests quick.
constexpr auto kPlayTime = std::chrono::milliseconds(5);

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
  bool isEvent;
};

// The driver's side of an open device: the buffers written and not yet played, in order, and
// the thread that plays them.
struct Device {
  HANDLE bufferDone;
  std::mutex lock;  // guards queue, closing and the flags of queued headers
  std::condition_variable changed;
  std::deque<WAVEHDR*> queue;
  bool closing = false;
  std::thread player;
};

thread_local DWORD gLastError = 0;

std::mutex gStallLock;
std::condition_variable gStallsReleased;
unsigned gReleases = 0;

void Signal(Object* o) {
  std::lock_guard<std::mutex> guard(o->lock);
  o->signalled = true;
  o->changed.notify_all();
}

void Stall(FakeStall* stall) {
  const DWORD milliseconds = stall->nextMs.exchange(0);
  if (!milliseconds) return;
  ++stall->stalled;
  {
    std::unique_lock<std::mutex> guard(gStallLock);
    const unsigned release = gReleases;
    gStallsReleased.wait_for(guard, std::chrono::milliseconds(milliseconds),
                             [release] { return gReleases != release; });
  }
  --stall->stalled;
}

void Play(Device* d) {
  std::unique_lock<std::mutex> guard(d->lock);
  for (;;) {
    d->changed.wait(guard, [d] { return d->closing || !d->queue.empty(); });
    if (d->closing) return;
    d->changed.wait_for(guard, kPlayTime, [d] { return d->closing; });
    if (d->closing) return;
    if (d->queue.empty()) continue;  // a reset took it meanwhile
    WAVEHDR* h = d->queue.front();
    d->queue.pop_front();
    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    SetEvent(d->bufferDone);
  }
}

}  // namespace

void FakeWinMMReleaseStalls() {
  std::lock_guard<std::mutex> guard(gStallLock);
  ++gReleases;
  gStallsReleased.notify_all();
}

HANDLE CreateEventW(void*, BOOL manualReset, BOOL initialState, const wchar_t*) {
  if (DWORD error = gFakeWinMM.createEventError.load()) {
    gLastError = error;
    return nullptr;
  }
  Handle* h = new Handle{std::make_shared<Object>(), true};
  h->object->autoReset = !manualReset;
  h->object->signalled = initialState;
  ++gFakeWinMM.openEvents;
  return h;
}

BOOL SetEvent(HANDLE event) {
  Signal(static_cast<Handle*>(event)->object.get());
  return TRUE;
}

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* argument, DWORD, DWORD*) {
  if (DWORD error = gFakeWinMM.createThreadError.load()) {
    gLastError = error;
    return nullptr;
  }
  Handle* h = new Handle{std::make_shared<Object>(), false};
  ++gFakeWinMM.runningThreads;
  std::thread([object = h->object, start, argument] {
    start(argument);
    // Counted out before the handle is signalled, so a test that has joined sees it gone.
    --gFakeWinMM.runningThreads;
    Signal(object.get());
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
  Handle* h = static_cast<Handle*>(handle);
  if (h->isEvent) --gFakeWinMM.openEvents;
  delete h;
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
  if (MMRESULT error = gFakeWinMM.openError.load()) return error;
  if (flags != CALLBACK_EVENT || !callback) return MMSYSERR_NODRIVER;
  Device* d = new Device();
  d->bufferDone = reinterpret_cast<HANDLE>(callback);
  d->player = std::thread(Play, d);
  *device = d;
  ++gFakeWinMM.openDevices;
  SetEvent(d->bufferDone);  // WOM_OPEN
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT, WAVEHDR* header, UINT) {
  const int failAt = gFakeWinMM.failPrepareAt.load();
  if (failAt > 0 && (gFakeWinMM.failPrepareAt = failAt - 1) == 0) return MMSYSERR_NOMEM;
  if (!(header->dwFlags & WHDR_PREPARED)) ++gFakeWinMM.preparedHeaders;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT) {
  Device* d = static_cast<Device*>(device);
  std::lock_guard<std::mutex> guard(d->lock);
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  if (header->dwFlags & WHDR_PREPARED) --gFakeWinMM.preparedHeaders;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT) {
  Device* d = static_cast<Device*>(device);
  Stall(&gFakeWinMM.writeStall);
  if (gFakeWinMM.failWrites.load()) return MMSYSERR_NODRIVER;
  std::lock_guard<std::mutex> guard(d->lock);
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  d->queue.push_back(header);
  d->changed.notify_all();
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT device) {
  Device* d = static_cast<Device*>(device);
  Stall(&gFakeWinMM.resetStall);
  std::lock_guard<std::mutex> guard(d->lock);
  if (d->queue.empty()) return MMSYSERR_NOERROR;
  for (WAVEHDR* h : d->queue) h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  d->queue.clear();
  SetEvent(d->bufferDone);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device) {
  Device* d = static_cast<Device*>(device);
  Stall(&gFakeWinMM.closeStall);
  {
    std::lock_guard<std::mutex> guard(d->lock);
    if (!d->queue.empty()) return WAVERR_STILLPLAYING;
    d->closing = true;
    d->changed.notify_all();
  }
  d->player.join();
  SetEvent(d->bufferDone);  // WOM_CLOSE
  delete d;
  --gFakeWinMM.openDevices;
  return MMSYSERR_NOERROR;
}
