// Sounds from OGG files: the game's effects decode to 44,100 Hz stereo, other rates and mono are
// converted, and a bad or missing file leaves a silent sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/files.h"
#include "audio/mixer.h"
#include "audio/sound.h"

namespace {

TEST(SoundFile, GameEffectsDecodeToTheirLength) {
  struct Effect {
    const char* path;
    float seconds;
  };
  for (const Effect& e : {Effect{"data/Kestra/sounds/punchwoosh.ogg", 0.22f},
                          Effect{"data/Kestra/sounds/punchhit.ogg", 0.2f},
                          Effect{"data/Kestra/sounds/playerhurt.ogg", 0.3f}}) {
    Sound s;
    ASSERT_TRUE(s.LoadFile(e.path)) << e.path;
    EXPECT_NEAR(s.FrameCount() / float(kAudioSampleRate), e.seconds, 0.01f) << e.path;
    int peak = 0;
    for (int16_t v : s.samples) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 8000) << e.path;
  }
}

TEST(SoundFile, MonoAtHalfRateIsSpreadAndResampled) {
  Sound s;
  ASSERT_TRUE(s.LoadFile("tests/data/audio/mono22050.ogg"));
  EXPECT_NEAR(s.FrameCount(), 4410.0, 60.0);
  for (uint32_t i = 0; i < s.FrameCount(); ++i) ASSERT_EQ(s.samples[i * 2], s.samples[i * 2 + 1]);
}

TEST(SoundFile, BadOrMissingFilesStaySilentWithOneReport) {
  Sound s;
  s.samples = {1, 2};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(s.LoadFile("tests/data/audio/none.ogg"));
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
  EXPECT_TRUE(s.samples.empty());

  const char* reason = nullptr;
  const uint8_t junk[64] = {'O', 'g', 'g', 'S', 1, 2, 3};
  EXPECT_FALSE(DecodeOggSound(junk, sizeof junk, &s, &reason));
  EXPECT_NE(reason, nullptr);
  EXPECT_FALSE(DecodeOggSound(junk, 0, &s, &reason));

  // A real file cut short decodes what it has or nothing, never past its end.
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile("data/Kestra/sounds/punchhit.ogg", &file));
  for (size_t cut : {size_t(30), file.Size() / 2, file.Size() - 1}) {
    Sound part;
    DecodeOggSound(file.Bytes(), cut, &part, &reason);
    EXPECT_LE(part.FrameCount(), 0.25f * kAudioSampleRate);
  }
}

}  // namespace
