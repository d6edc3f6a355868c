#include "audio/mixer.h"

#include <cmath>

void MixerReset(Mixer* mixer) {
  *mixer = Mixer{};
  mixer->globalVolume = 1.0f;
  mixer->nextHandle = 1;
}

uint32_t MixerPlay(Mixer* mixer, const Sound* sound, float volume, float pan) {
  if (!sound || sound->FrameCount() == 0) return 0;
  if (!(pan >= -1.0f)) pan = -1.0f;  // also catches NaN
  if (pan > 1.0f) pan = 1.0f;
  if (!(volume >= 0.0f)) volume = 0.0f;

  Voice* slot = nullptr;
  for (Voice& v : mixer->voices) {
    if (!v.sound) {
      slot = &v;
      break;
    }
  }
  if (!slot) {
    // Every slot busy: the voice that started first gives way, as the newest sound matters most.
    slot = &mixer->voices[0];
    for (Voice& v : mixer->voices)
      if (v.startOrder < slot->startOrder) slot = &v;
  }
  slot->sound = sound;
  slot->position = 0;
  // Linear pan that keeps both channels at full volume in the centre, so a centred voice at
  // volume 1.0 passes its samples through unchanged.
  slot->leftGain = volume * (pan > 0.0f ? 1.0f - pan : 1.0f);
  slot->rightGain = volume * (pan < 0.0f ? 1.0f + pan : 1.0f);
  slot->startOrder = mixer->playCount++;
  slot->handle = mixer->nextHandle++;
  if (mixer->nextHandle == 0) mixer->nextHandle = 1;
  return slot->handle;
}

void MixerMix(Mixer* mixer, int16_t* out, uint32_t frames) {
  // Mixed in blocks on the stack: float sums are exact for 16-bit samples, so one voice at gain
  // 1.0 comes out bit for bit.
  constexpr uint32_t kBlock = 512;
  float sum[kBlock * 2];
  const float global = mixer->globalVolume;
  for (uint32_t done = 0; done < frames;) {
    const uint32_t count = frames - done < kBlock ? frames - done : kBlock;
    for (uint32_t i = 0; i < count * 2; ++i) sum[i] = 0.0f;
    for (Voice& v : mixer->voices) {
      if (!v.sound) continue;
      const uint32_t total = v.sound->FrameCount();
      const int16_t* src = v.sound->samples.data();
      const float left = v.leftGain * global;
      const float right = v.rightGain * global;
      uint32_t n = total - v.position;
      if (n > count) n = count;
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t frame = v.position + i;
        sum[i * 2] += src[frame * 2] * left;
        sum[i * 2 + 1] += src[frame * 2 + 1] * right;
      }
      v.position += n;
      if (v.position >= total) v = Voice{};
    }
    int16_t* dst = out + done * 2;
    for (uint32_t i = 0; i < count * 2; ++i) {
      float s = std::nearbyint(sum[i]);
      if (s > 32767.0f) s = 32767.0f;
      if (s < -32768.0f) s = -32768.0f;
      dst[i] = static_cast<int16_t>(s);
    }
    done += count;
  }
}

uint32_t MixerActiveVoices(const Mixer* mixer) {
  uint32_t n = 0;
  for (const Voice& v : mixer->voices) n += v.sound ? 1 : 0;
  return n;
}
