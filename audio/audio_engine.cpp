#include "audio/audio_engine.h"

AudioEngine* gAudioEngine = nullptr;

AudioEngine::AudioEngine() { MixerReset(&mixer); }

bool AudioEngine::Init() {
  {
    // The mixing thread clears it when the device fails.
    std::lock_guard<std::mutex> guard(lock);
    if (running) return true;
  }
  // A back end whose device failed is still there: it goes before a new one starts.
  if (backendCleanup) Deinit();
  MixerReset(&mixer);
  return StartAudioBackend(this);
}

void AudioEngine::Deinit() {
  // The back end's clean-up joins its thread, which takes the lock while mixing: never hold the
  // lock here.
  if (backendCleanup) backendCleanup(this);
  backendCleanup = nullptr;
  backend = nullptr;
  std::lock_guard<std::mutex> guard(lock);
  running = false;
  MixerReset(&mixer);
}

void AudioEngine::SetGlobalVolume(float volume) {
  std::lock_guard<std::mutex> guard(lock);
  mixer.globalVolume = volume >= 0.0f ? volume : 0.0f;
}

uint32_t AudioEngine::Play(const Sound& sound, float volume, float pan) {
  std::lock_guard<std::mutex> guard(lock);
  // Without a back end nothing would ever finish the voice: stay silent instead.
  if (!running) return 0;
  return MixerPlay(&mixer, &sound, volume, pan);
}

void AudioEngine::Mix(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> guard(lock);
  MixerMix(&mixer, out, frames);
}

uint32_t AudioEngine::ActiveVoiceCount() {
  std::lock_guard<std::mutex> guard(lock);
  return MixerActiveVoices(&mixer);
}
