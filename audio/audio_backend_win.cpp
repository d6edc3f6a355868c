// WinMM wave output: 44,100 Hz, 16-bit stereo, two buffers of 4,096 frames that a mixing thread
// refills as the device hands them back. The device signals an event for each finished buffer.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>

#include "app/report.h"
#include "audio/audio_engine.h"

namespace {
constexpr int kBufferCount = 2;
// The thread wakes at least this often to see the stop request, so Deinit never waits long.
constexpr DWORD kWakeMs = 50;
constexpr DWORD kJoinMs = 2000;

struct WinMMBackend {
  HWAVEOUT device;
  HANDLE bufferDone;
  HANDLE thread;
  std::atomic<bool> stop;
  WAVEHDR headers[kBufferCount];
  int16_t buffers[kBufferCount][kAudioBufferFrames * kAudioChannels];
};

DWORD WINAPI MixThread(void* arg) {
  AudioEngine* engine = static_cast<AudioEngine*>(arg);
  WinMMBackend* b = static_cast<WinMMBackend*>(engine->backend);
  while (!b->stop.load()) {
    for (WAVEHDR& h : b->headers) {
      if (h.dwFlags & WHDR_INQUEUE) continue;
      engine->Mix(reinterpret_cast<int16_t*>(h.lpData), kAudioBufferFrames);
      if (waveOutWrite(b->device, &h, sizeof h) != MMSYSERR_NOERROR) {
        // The device went away: stop feeding it; the game goes on silently.
        b->stop.store(true);
        break;
      }
    }
    WaitForSingleObject(b->bufferDone, kWakeMs);
  }
  return 0;
}

void CloseDevice(WinMMBackend* b) {
  waveOutReset(b->device);  // hands every queued buffer back at once
  for (WAVEHDR& h : b->headers)
    if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(b->device, &h, sizeof h);
  waveOutClose(b->device);
  CloseHandle(b->bufferDone);
}

void StopWinMM(AudioEngine* engine) {
  WinMMBackend* b = static_cast<WinMMBackend*>(engine->backend);
  if (!b) return;
  b->stop.store(true);
  SetEvent(b->bufferDone);
  if (WaitForSingleObject(b->thread, kJoinMs) != WAIT_OBJECT_0) {
    // A stuck driver must not hang the shut-down: leave the thread and its device to the
    // process's end rather than free what it still uses.
    Report("Audio: the mixing thread did not stop; leaving the device open");
    return;
  }
  CloseHandle(b->thread);
  CloseDevice(b);
  delete b;
}
}  // namespace

bool StartAudioBackend(AudioEngine* engine) {
  WinMMBackend* b = new WinMMBackend();
  b->bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = kAudioChannels;
  format.nSamplesPerSec = kAudioSampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  const MMRESULT opened = waveOutOpen(&b->device, WAVE_MAPPER, &format,
                                      reinterpret_cast<DWORD_PTR>(b->bufferDone), 0, CALLBACK_EVENT);
  if (!b->bufferDone || opened != MMSYSERR_NOERROR) {
    Report("Audio: no wave output device (waveOutOpen error %u); the game runs silent",
           static_cast<unsigned>(opened));
    if (b->bufferDone) CloseHandle(b->bufferDone);
    delete b;
    return false;
  }
  for (int i = 0; i < kBufferCount; ++i) {
    WAVEHDR& h = b->headers[i];
    h.lpData = reinterpret_cast<LPSTR>(b->buffers[i]);
    h.dwBufferLength = sizeof b->buffers[i];
    waveOutPrepareHeader(b->device, &h, sizeof h);
  }
  {
    std::lock_guard<std::mutex> guard(engine->lock);
    engine->backend = b;
    engine->backendCleanup = StopWinMM;
    engine->running = true;
  }
  b->thread = CreateThread(nullptr, 0, MixThread, engine, 0, nullptr);
  if (!b->thread) {
    Report("Audio: cannot start the mixing thread; the game runs silent");
    {
      std::lock_guard<std::mutex> guard(engine->lock);
      engine->backend = nullptr;
      engine->backendCleanup = nullptr;
      engine->running = false;
    }
    CloseDevice(b);
    delete b;
    return false;
  }
  return true;
}
