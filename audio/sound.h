#pragma once
// A decoded sound effect held whole in memory: 16-bit stereo frames at the engine's rate. An
// empty sound is silent; playing it is allowed and does nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

struct Sound {
  std::vector<int16_t> samples;  // interleaved left, right

  uint32_t FrameCount() const { return static_cast<uint32_t>(samples.size() / 2); }
  // Reads and decodes an OGG Vorbis file. A missing or undecodable file is reported once and
  // leaves the sound empty (silent); returns whether it loaded.
  bool LoadFile(const char* path);
};

// Decodes OGG Vorbis bytes into out: mono is spread to both channels, channels past the second
// are dropped and other sample rates are resampled to the engine's rate. False with a reason
// (out emptied) when the bytes are not a Vorbis stream or hold no samples.
bool DecodeOggSound(const uint8_t* bytes, size_t size, Sound* out, const char** reason);
