// The WinMM back end under Wine: it opens the device, plays for a second and shuts down within a
// second. The null audio device does not keep real time, so nothing here measures playback speed.
// Natively the same back end runs over a fake driver (fake_winmm/) that can stall or fail, under
// the sanitizers: a stuck driver, an unplugged device and a failure at each start-up step.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "audio/audio_engine.h"

#if defined(KESTRA_FAKE_WINMM)
#include "tests/audio/fake_winmm/fake_winmm.h"
#endif

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

#if defined(KESTRA_FAKE_WINMM)

template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(5);
  }
  return true;
}

std::unique_ptr<Sound> LongTone() {
  std::unique_ptr<Sound> s(new Sound());
  s->samples.assign(size_t{kAudioSampleRate} * 2 * 60, 1000);  // a minute
  return s;
}

// What the back end holds of the driver's: its threads, devices, events and prepared buffers.
std::string LeftOpen() {
  return "threads " + std::to_string(gFakeWinMM.runningThreads.load()) + ", devices " +
         std::to_string(gFakeWinMM.openDevices.load()) + ", events " +
         std::to_string(gFakeWinMM.openEvents.load()) + ", buffers " +
         std::to_string(gFakeWinMM.preparedHeaders.load());
}
const char kNothingOpen[] = "threads 0, devices 0, events 0, buffers 0";

// The driver stuck in a write while playing, or in the reset or the close of the shut-down.
TEST(WinMMBackend, StuckDriverNeitherHoldsUpDeinitNorSeesTheFreedEngine) {
  gFakeWinMM.failWrites = false;
  for (FakeStall* stall :
       {&gFakeWinMM.writeStall, &gFakeWinMM.resetStall, &gFakeWinMM.closeStall}) {
    SCOPED_TRACE(stall == &gFakeWinMM.writeStall   ? "waveOutWrite"
                 : stall == &gFakeWinMM.resetStall ? "waveOutReset"
                                                   : "waveOutClose");
    std::unique_ptr<Sound> tone = LongTone();
    AudioEngine* engine = new AudioEngine();
    ASSERT_TRUE(engine->Init());
    EXPECT_NE(engine->Play(*tone), 0u);
    stall->nextMs = 2500;
    if (stall == &gFakeWinMM.writeStall) {  // the others stall only once Deinit has begun
      ASSERT_TRUE(WaitUntil([stall] { return stall->stalled.load() == 1; }, 2000));
    }

    testing::internal::CaptureStdout();
    const DWORD before = GetTickCount();
    engine->Deinit();  // gives up on the thread after its bound
    const DWORD took = GetTickCount() - before;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_LT(took, 2400u);
    EXPECT_NE(out.find("did not stop"), std::string::npos) << out;
    delete engine;
    tone.reset();
    // The driver returns after the engine and the sound are gone: the thread must touch neither
    // (ASan watches) and closes everything as it ends.
    FakeWinMMReleaseStalls();
    EXPECT_TRUE(WaitUntil([] { return LeftOpen() == kNothingOpen; }, 5000)) << LeftOpen();
  }
}

TEST(WinMMBackend, UnpluggedDeviceEndsPlaybackWithOneReport) {
  std::unique_ptr<Sound> tone = LongTone();
  AudioEngine engine;
  ASSERT_TRUE(engine.Init());
  testing::internal::CaptureStdout();
  EXPECT_NE(engine.Play(*tone), 0u);
  gFakeWinMM.failWrites = true;
  const bool ended = WaitUntil([&] { return engine.Play(*tone) == 0; }, 2000);
  Sleep(100);  // time for a second report, should there be one
  const std::string out = testing::internal::GetCapturedStdout();
  gFakeWinMM.failWrites = false;
  EXPECT_TRUE(ended);
  EXPECT_EQ(engine.ActiveVoiceCount(), 0u);
  EXPECT_NE(out.find("waveOutWrite error 6"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  engine.Deinit();
  EXPECT_EQ(gFakeWinMM.runningThreads.load(), 0);
  EXPECT_EQ(gFakeWinMM.openDevices.load(), 0);
  // A new start opens a new device and plays again.
  ASSERT_TRUE(engine.Init());
  EXPECT_NE(engine.Play(*tone), 0u);
  engine.Deinit();
  EXPECT_EQ(gFakeWinMM.openDevices.load(), 0);
}

// Each start-up step that can fail: the event, the device, either buffer and the thread.
TEST(WinMMBackend, FailedStartReportsOnceLeavesNothingOpenAndALaterInitPlays) {
  const char* const kReported[] = {"buffer event (error 8)", "waveOutOpen error 2",
                                   "waveOutPrepareHeader error 7", "waveOutPrepareHeader error 7",
                                   "mixing thread (error 8)"};
  Sound blip;
  blip.samples.assign(2 * 1000, 1000);
  for (int step = 0; step < 5; ++step) {
    SCOPED_TRACE(step);
    gFakeWinMM.createEventError = step == 0 ? 8 : 0;  // ERROR_NOT_ENOUGH_MEMORY
    gFakeWinMM.openError = step == 1 ? 2 : 0;         // MMSYSERR_BADDEVICEID
    gFakeWinMM.failPrepareAt = step == 2 ? 1 : step == 3 ? 2 : 0;
    gFakeWinMM.createThreadError = step == 4 ? 8 : 0;
    AudioEngine engine;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(engine.Init());
    const std::string out = testing::internal::GetCapturedStdout();
    gFakeWinMM.createEventError = 0;
    gFakeWinMM.openError = 0;
    gFakeWinMM.failPrepareAt = 0;
    gFakeWinMM.createThreadError = 0;
    EXPECT_NE(out.find(kReported[step]), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(LeftOpen(), kNothingOpen);
    EXPECT_EQ(engine.Play(blip), 0u);

    ASSERT_TRUE(engine.Init());
    EXPECT_NE(engine.Play(blip), 0u);
    EXPECT_TRUE(WaitUntil([&] { return engine.ActiveVoiceCount() == 0; }, 3000));
    engine.Deinit();
    EXPECT_EQ(LeftOpen(), kNothingOpen);
  }
}

#endif

}  // namespace
