// The mixer and the engine natively (null back end): voices sum and clip, free themselves, and a
// single centred voice at volume 1.0 passes its samples through unchanged.
#include <gtest/gtest.h>

#include <vector>

#include "audio/audio_engine.h"
#include "audio/mixer.h"

namespace {

Sound Constant(int16_t left, int16_t right, uint32_t frames) {
  Sound s;
  for (uint32_t i = 0; i < frames; ++i) {
    s.samples.push_back(left);
    s.samples.push_back(right);
  }
  return s;
}

std::vector<int16_t> Mix(Mixer* mixer, uint32_t frames) {
  std::vector<int16_t> out(frames * 2, 12345);
  MixerMix(mixer, out.data(), frames);
  return out;
}

TEST(Mixer, SingleCentredVoiceAtFullVolumeIsBitExact) {
  Sound s;
  for (int i = 0; i < 3000; ++i) s.samples.push_back(int16_t(i * 37 - 32768 + (i % 7)));
  Mixer mixer;
  MixerReset(&mixer);
  ASSERT_NE(MixerPlay(&mixer, &s, 1.0f, 0.0f), 0u);
  const std::vector<int16_t> out = Mix(&mixer, 2000);  // more than the sound: silence after it
  for (size_t i = 0; i < s.samples.size(); ++i) ASSERT_EQ(out[i], s.samples[i]) << i;
  for (size_t i = s.samples.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST(Mixer, OverlappingVoicesSumAndClip) {
  const Sound loud = Constant(30000, -30000, 100);
  const Sound quiet = Constant(10000, -10000, 100);
  const Sound small = Constant(5, -7, 100);
  Mixer mixer;
  MixerReset(&mixer);
  MixerPlay(&mixer, &loud, 1.0f, 0.0f);
  Mix(&mixer, 50);
  MixerPlay(&mixer, &quiet, 1.0f, 0.0f);
  MixerPlay(&mixer, &small, 1.0f, 0.0f);
  const std::vector<int16_t> out = Mix(&mixer, 100);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -32768);
  // Once the loud one has ended the other two sum exactly.
  EXPECT_EQ(out[50 * 2], 10005);
  EXPECT_EQ(out[50 * 2 + 1], -10007);
}

TEST(Mixer, FinishedVoicesFreeTheirSlotsAndAFullMixerDropsTheOldest) {
  const Sound a = Constant(1, 1, 10);
  const Sound b = Constant(2, 2, 1000);
  Mixer mixer;
  MixerReset(&mixer);
  MixerPlay(&mixer, &a, 1.0f, 0.0f);
  EXPECT_EQ(MixerActiveVoices(&mixer), 1u);
  Mix(&mixer, 10);
  EXPECT_EQ(MixerActiveVoices(&mixer), 0u);

  for (uint32_t i = 0; i < kMaxVoices; ++i) MixerPlay(&mixer, &b, 1.0f, 0.0f);
  Mix(&mixer, 1);
  MixerPlay(&mixer, &a, 1.0f, 0.0f);
  EXPECT_EQ(MixerActiveVoices(&mixer), kMaxVoices);
  // The first b gave way: 31 b voices and the new a.
  const std::vector<int16_t> out = Mix(&mixer, 1);
  EXPECT_EQ(out[0], 31 * 2 + 1);
}

TEST(Mixer, VolumePanAndGlobalVolumeScale) {
  const Sound s = Constant(1000, 1000, 10);
  Mixer mixer;
  MixerReset(&mixer);
  MixerPlay(&mixer, &s, 1.0f, -1.0f);
  std::vector<int16_t> out = Mix(&mixer, 1);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[1], 0);
  MixerReset(&mixer);
  mixer.globalVolume = 0.5f;
  MixerPlay(&mixer, &s, 0.5f, 0.0f);
  out = Mix(&mixer, 1);
  EXPECT_EQ(out[0], 250);
  EXPECT_EQ(out[1], 250);
  Sound empty;
  EXPECT_EQ(MixerPlay(&mixer, &empty, 1.0f, 0.0f), 0u);
}

TEST(AudioEngine, SilentUntilInitAndAfterDeinit) {
  const Sound s = Constant(100, 100, 10);
  AudioEngine engine;
  EXPECT_EQ(engine.Play(s), 0u);
  ASSERT_TRUE(engine.Init());
  EXPECT_NE(engine.Play(s), 0u);
  EXPECT_EQ(engine.ActiveVoiceCount(), 1u);
  int16_t out[20 * 2];
  engine.Mix(out, 20);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(engine.ActiveVoiceCount(), 0u);
  engine.Deinit();
  engine.Deinit();
  EXPECT_EQ(engine.Play(s), 0u);
}

}  // namespace
