#pragma once
// The game's one audio engine (gAudioEngine): a mixer driven by a platform back end. On Windows
// the back end is WinMM (44,100 Hz, stereo, 4,096-frame buffers) with a mixing thread of its own;
// the engine's lock guards the mixer between that thread and the main thread. Natively there is
// no device: the null back end leaves the mixing to whoever calls Mix (the tests).
#include <cstdint>
#include <mutex>

#include "audio/mixer.h"
#include "audio/sound.h"

struct AudioEngine {
  Mixer mixer{};
  std::mutex lock;
  bool running = false;  // a back end consumes the mix; false = silent (also once the device
                         // failed), Play does nothing
  void* backend = nullptr;
  void (*backendCleanup)(AudioEngine* engine) = nullptr;

  AudioEngine();
  // Starts the platform's back end. False (reported once) when there is no device: the engine
  // then stays silent and every other call still works.
  bool Init();
  // Stops the back end (its thread and device) and returns to the silent state; waits 2 s at
  // most, and may be called when Init failed or twice. Afterwards the back end's thread never
  // touches the engine or its sounds again, even when a stuck driver keeps that thread alive,
  // so both may be freed.
  void Deinit();
  void SetGlobalVolume(float volume);
  // Plays the sound once; the voice frees itself at the end. Returns the voice handle (0 when
  // nothing plays). Sounds must outlive their voices.
  uint32_t Play(const Sound& sound, float volume = 1.0f, float pan = 0.0f);
  // Fills frames of interleaved stereo under the lock: the back end's call.
  void Mix(int16_t* out, uint32_t frames);
  uint32_t ActiveVoiceCount();
};

// Created and deleted by the program's entry; null when there is none (then nothing plays).
extern AudioEngine* gAudioEngine;

// The platform's back end, one definition per build: sets running, backend and backendCleanup
// on success; reports and returns false when no device can be opened.
bool StartAudioBackend(AudioEngine* engine);
