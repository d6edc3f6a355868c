// WinMM wave output: 44,100 Hz, 16-bit stereo, two buffers of 4,096 frames that a mixing thread
// refills as the device hands them back. The device signals an event for each finished buffer.
#include <windows.h>
#include <mmsystem.h>

#include <mutex>

#include "app/report.h"
#include "audio/audio_engine.h"

namespace {
constexpr int kBufferCount = 2;
// The thread wakes at least this often to see the stop request, so Deinit never waits long.
constexpr DWORD kWakeMs = 50;
constexpr DWORD kJoinMs = 2000;

// The mixing thread reaches the engine only through `engine`, under `lock`: once StopWinMM has
// cleared it, the engine may be freed whatever the driver does. The thread also closes the
// device, so a driver stuck in any call holds up only the thread: one that outlives StopWinMM's
// wait frees the back end itself when it ends. The event goes with the back end, so StopWinMM
// may still signal it.
struct WinMMBackend {
  HWAVEOUT device;
  HANDLE bufferDone;
  HANDLE thread;
  std::mutex lock;       // guards engine, abandoned, finished and deviceClosed
  AudioEngine* engine;   // null: stop
  bool abandoned;        // StopWinMM stopped waiting: the thread frees the back end
  bool finished;         // the thread has closed the device and touches nothing more
  bool deviceClosed;     // the driver let go of the buffers: the memory may be freed
  WAVEHDR headers[kBufferCount];
  int16_t buffers[kBufferCount][kAudioBufferFrames * kAudioChannels];
};

// Hands every queued buffer back and closes the device. False when the close failed: the
// driver may still hold a buffer and write into it, so the back end must never be freed.
bool CloseDevice(WinMMBackend* b) {
  const MMRESULT reset = waveOutReset(b->device);
  MMRESULT unprepared = MMSYSERR_NOERROR;
  for (WAVEHDR& h : b->headers) {
    if (!(h.dwFlags & WHDR_PREPARED)) continue;
    const MMRESULT result = waveOutUnprepareHeader(b->device, &h, sizeof h);
    if (unprepared == MMSYSERR_NOERROR) unprepared = result;
  }
  const MMRESULT closed = waveOutClose(b->device);
  if (reset != MMSYSERR_NOERROR || unprepared != MMSYSERR_NOERROR || closed != MMSYSERR_NOERROR)
    Report("Audio: closing the wave output device failed (waveOutReset error %u, "
           "waveOutUnprepareHeader error %u, waveOutClose error %u)%s",
           static_cast<unsigned>(reset), static_cast<unsigned>(unprepared),
           static_cast<unsigned>(closed),
           closed != MMSYSERR_NOERROR ? "; the driver keeps its buffers, so their memory is kept"
                                      : "");
  return closed == MMSYSERR_NOERROR;
}

// Only once the device is closed: the driver signals the event until then.
void FreeBackend(WinMMBackend* b) {
  if (!b->deviceClosed) return;
  CloseHandle(b->bufferDone);
  delete b;
}

bool StopRequested(WinMMBackend* b) {
  std::lock_guard<std::mutex> guard(b->lock);
  return !b->engine;
}

// Fills the buffer from the engine; false once stop was requested. The driver is never called
// under the lock, so a stuck driver never holds up StopWinMM.
bool MixInto(WinMMBackend* b, WAVEHDR* h) {
  std::lock_guard<std::mutex> guard(b->lock);
  if (!b->engine) return false;
  b->engine->Mix(reinterpret_cast<int16_t*>(h->lpData), kAudioBufferFrames);
  return true;
}

// The device refused a buffer (unplugged, driver gone): playback ends for good, said once; the
// game goes on silent. Said after unlocking, so a blocked stdout holds up neither Play nor
// StopWinMM.
void EndPlayback(WinMMBackend* b, MMRESULT error) {
  {
    std::lock_guard<std::mutex> guard(b->lock);
    AudioEngine* engine = b->engine;
    if (!engine) return;
    std::lock_guard<std::mutex> engineGuard(engine->lock);
    engine->running = false;
    MixerReset(&engine->mixer);
  }
  Report("Audio: the wave output device stopped taking sound (waveOutWrite error %u); the game "
         "goes on silent", static_cast<unsigned>(error));
}

DWORD WINAPI MixThread(void* arg) {
  WinMMBackend* b = static_cast<WinMMBackend*>(arg);
  bool playing = true;
  while (playing && !StopRequested(b)) {
    for (WAVEHDR& h : b->headers) {
      if (h.dwFlags & WHDR_INQUEUE) continue;
      if (!MixInto(b, &h)) {
        playing = false;
        break;
      }
      const MMRESULT written = waveOutWrite(b->device, &h, sizeof h);
      if (written != MMSYSERR_NOERROR) {
        EndPlayback(b, written);
        playing = false;
        break;
      }
    }
    if (playing) WaitForSingleObject(b->bufferDone, kWakeMs);
  }
  const bool closed = CloseDevice(b);
  bool abandoned;
  {
    std::lock_guard<std::mutex> guard(b->lock);
    b->deviceClosed = closed;
    b->finished = true;
    abandoned = b->abandoned;
  }
  if (abandoned) {
    CloseHandle(b->thread);
    FreeBackend(b);
  }
  return 0;
}

void StopWinMM(AudioEngine* engine) {
  WinMMBackend* b = static_cast<WinMMBackend*>(engine->backend);
  if (!b) return;
  {
    std::lock_guard<std::mutex> guard(b->lock);
    b->engine = nullptr;
  }
  SetEvent(b->bufferDone);
  if (WaitForSingleObject(b->thread, kJoinMs) != WAIT_OBJECT_0) {
    bool finished;
    {
      std::lock_guard<std::mutex> guard(b->lock);
      finished = b->finished;
      b->abandoned = !finished;
    }
    if (!finished) {
      // A stuck driver must not hang the shut-down: the thread, which no longer touches the
      // engine, closes the device and frees the back end when the driver lets it go.
      Report("Audio: the mixing thread did not stop within %lu ms; it closes the device when "
             "the driver returns", static_cast<unsigned long>(kJoinMs));
      return;
    }
    // It has just closed the device and touches nothing more: only its return is left.
    WaitForSingleObject(b->thread, INFINITE);
  }
  CloseHandle(b->thread);
  FreeBackend(b);
}
}  // namespace

bool StartAudioBackend(AudioEngine* engine) {
  WinMMBackend* b = new WinMMBackend();
  b->engine = engine;
  // The device signals this event, so it is made first.
  b->bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!b->bufferDone) {
    Report("Audio: cannot create the buffer event (error %lu); the game runs silent",
           static_cast<unsigned long>(GetLastError()));
    delete b;
    return false;
  }
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = kAudioChannels;
  format.nSamplesPerSec = kAudioSampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  const MMRESULT opened = waveOutOpen(&b->device, WAVE_MAPPER, &format,
                                      reinterpret_cast<DWORD_PTR>(b->bufferDone), 0, CALLBACK_EVENT);
  if (opened != MMSYSERR_NOERROR) {
    Report("Audio: no wave output device (waveOutOpen error %u); the game runs silent",
           static_cast<unsigned>(opened));
    CloseHandle(b->bufferDone);
    delete b;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    WAVEHDR& h = b->headers[i];
    h.lpData = reinterpret_cast<LPSTR>(b->buffers[i]);
    h.dwBufferLength = sizeof b->buffers[i];
    const MMRESULT prepared = waveOutPrepareHeader(b->device, &h, sizeof h);
    if (prepared != MMSYSERR_NOERROR) {
      Report("Audio: cannot prepare a wave buffer (waveOutPrepareHeader error %u); the game runs "
             "silent", static_cast<unsigned>(prepared));
      b->deviceClosed = CloseDevice(b);
      FreeBackend(b);
      return false;
    }
  }
  {
    std::lock_guard<std::mutex> guard(engine->lock);
    engine->backend = b;
    engine->backendCleanup = StopWinMM;
    engine->running = true;
  }
  b->thread = CreateThread(nullptr, 0, MixThread, b, 0, nullptr);
  if (!b->thread) {
    Report("Audio: cannot start the mixing thread (error %lu); the game runs silent",
           static_cast<unsigned long>(GetLastError()));
    {
      std::lock_guard<std::mutex> guard(engine->lock);
      engine->backend = nullptr;
      engine->backendCleanup = nullptr;
      engine->running = false;
    }
    // No thread to hand a stuck driver to: the main thread closes the device itself.
    b->deviceClosed = CloseDevice(b);
    FreeBackend(b);
    return false;
  }
  return true;
}
