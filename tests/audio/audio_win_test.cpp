// The WinMM back end under Wine: it opens the device, plays for a second and shuts down within a
// second. The null audio device does not keep real time, so nothing here measures playback speed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "audio/audio_engine.h"

namespace {

TEST(WinMMBackend, OpensPlaysAndDeinitialisesQuickly) {
  Sound tone;
  for (uint32_t i = 0; i < kAudioSampleRate / 2; ++i) {
    const int16_t v = int16_t(8000 * std::sin(i * 2 * 3.14159265 * 440 / kAudioSampleRate));
    tone.samples.push_back(v);
    tone.samples.push_back(v);
  }
  Sound hit;
  EXPECT_TRUE(hit.LoadFile("data/Kestra/sounds/punchhit.ogg"));  // stb_vorbis under MinGW

  AudioEngine engine;
  ASSERT_TRUE(engine.Init());
  engine.SetGlobalVolume(1.0f);
  EXPECT_NE(engine.Play(tone), 0u);
  EXPECT_NE(engine.Play(hit), 0u);
  // The mixing thread consumes the voices: within a second both have played out.
  const DWORD start = GetTickCount();
  while (engine.ActiveVoiceCount() > 0 && GetTickCount() - start < 3000) Sleep(20);
  EXPECT_EQ(engine.ActiveVoiceCount(), 0u);
  Sleep(1000 - std::min<DWORD>(1000, GetTickCount() - start));

  const DWORD before = GetTickCount();
  engine.Deinit();
  EXPECT_LT(GetTickCount() - before, 1000u);
  EXPECT_EQ(engine.Play(tone), 0u);
}

}  // namespace
