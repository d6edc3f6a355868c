#include "audio/sound.h"

#include <cstdlib>

#include "app/files.h"
#include "app/report.h"
#include "audio/mixer.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

namespace {
// A sound effect decodes to ten minutes at most; longer means a wrong or hostile file.
constexpr uint64_t kMaxFrames = uint64_t{kAudioSampleRate} * 600;
}  // namespace

bool DecodeOggSound(const uint8_t* bytes, size_t size, Sound* out, const char** reason) {
  out->samples.clear();
  if (size == 0 || size > 0x7FFFFFFF) {
    *reason = "empty or too large";
    return false;
  }
  int channels = 0, rate = 0;
  short* decoded = nullptr;
  const int frames = stb_vorbis_decode_memory(bytes, static_cast<int>(size), &channels, &rate, &decoded);
  if (frames <= 0 || !decoded || channels < 1 || rate < 1) {
    std::free(decoded);
    *reason = "not an OGG Vorbis stream with samples";
    return false;
  }
  const uint64_t outFrames = uint64_t(frames) * kAudioSampleRate / uint64_t(rate);
  if (outFrames == 0 || outFrames > kMaxFrames) {
    std::free(decoded);
    *reason = "too long or too short";
    return false;
  }
  out->samples.resize(outFrames * 2);
  const int right = channels > 1 ? 1 : 0;
  for (uint64_t i = 0; i < outFrames; ++i) {
    // Linear interpolation between the two nearest source frames; at the same rate this is a
    // plain copy.
    const uint64_t num = i * uint64_t(rate);
    uint64_t a = num / kAudioSampleRate;
    const float t = float(num % kAudioSampleRate) / float(kAudioSampleRate);
    if (a >= uint64_t(frames)) a = frames - 1;
    const uint64_t b = a + 1 < uint64_t(frames) ? a + 1 : a;
    for (int c = 0; c < 2; ++c) {
      const int ch = c == 0 ? 0 : right;
      const float s0 = decoded[a * channels + ch];
      const float s1 = decoded[b * channels + ch];
      out->samples[i * 2 + c] = static_cast<int16_t>(s0 + (s1 - s0) * t);
    }
  }
  std::free(decoded);
  return true;
}

bool Sound::LoadFile(const char* path) {
  samples.clear();
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("Sound %s: cannot be read; it stays silent", path);
    return false;
  }
  const char* reason = "";
  if (!DecodeOggSound(file.Bytes(), file.Size(), this, &reason)) {
    Report("Sound %s: %s; it stays silent", path, reason);
    return false;
  }
  return true;
}
