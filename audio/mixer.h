#pragma once
// The software mixer behind the audio engine: fixed voice slots that play sounds from memory and
// free themselves at the sound's end. Not locked: the engine holds its lock around every call.
#include <cstdint>

#include "audio/sound.h"

constexpr uint32_t kAudioSampleRate = 44100;
constexpr uint32_t kAudioChannels = 2;
constexpr uint32_t kAudioBufferFrames = 4096;
constexpr uint32_t kMaxVoices = 32;

struct Voice {
  const Sound* sound;  // null = free slot
  uint32_t position;   // next frame to play
  float leftGain, rightGain;
  uint32_t handle;
  uint32_t startOrder;  // the oldest voice gives way when every slot is busy
};

struct Mixer {
  Voice voices[kMaxVoices];
  float globalVolume;
  uint32_t nextHandle;
  uint32_t playCount;
};

void MixerReset(Mixer* mixer);
// Starts a voice; pan -1 is left only, 0 both channels at full volume, +1 right only. Returns
// the voice's handle, 0 when the sound is empty.
uint32_t MixerPlay(Mixer* mixer, const Sound* sound, float volume, float pan);
// Writes frames of interleaved stereo: the sum of every voice times its gains and the global
// volume, clipped to 16 bits. Finished voices free their slots.
void MixerMix(Mixer* mixer, int16_t* out, uint32_t frames);
uint32_t MixerActiveVoices(const Mixer* mixer);
