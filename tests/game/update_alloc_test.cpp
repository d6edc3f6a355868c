// Game::Update with every enemy slot busy allocates nothing: the global allocator is replaced
// here to count.
#include "app/input.h"
#include "audio/audio_engine.h"
#include "tests/game/dialogue_test_util.h"
#include "tests/support/alloc_counter.h"

namespace {

TEST(UpdateAllocations, TwentyActiveEnemiesForAMinuteAllocateNothing) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["a"]})",
                                     R"({"id": "a", "price": 1, "text": "A", "nextquestion": "s"})"));
  Game::Reset(game.get());
  AudioEngine engine;
  ASSERT_TRUE(engine.Init());
  gAudioEngine = &engine;
  game->punchWooshSound.samples.assign(64, 1);
  game->punchHitSound.samples.assign(64, 2);
  game->playerHurtSound.samples.assign(64, 3);
  game->budget = 1 << 30;  // never lost
  for (int i = 0; i < kEnemySlots; ++i) {
    Enemy& e = game->enemies[i];
    e.active = 1;
    e.state = kFighterWalk;
    e.health = 3;
    e.position = {float(i * 60), float(250 + (i % 5) * 50)};
  }
  gInput = InputState{};
  int16_t mix[256 * 2];
  gCountAllocations = true;
  for (int frame = 0; frame < 3600; ++frame) {
    // Keys and clicks change through the minute so every branch of the update runs.
    gInput.keys[int('A')] = frame % 20 < 10;
    gInput.keys[int('E')] = frame % 50 < 5;
    gInput.keys[int('1')] = frame % 90 == 0;
    gInput.keys[kVkLeft] = frame % 300 < 150;
    gInput.keys[kVkUp] = frame % 200 < 50;
    gInput.leftDown = frame % 120 < 10;
    gInput.cursorX = 110;
    gInput.cursorY = 160;
    Game::Update(game.get(), 1.0f / 60.0f);
    engine.Mix(mix, 256);
  }
  gCountAllocations = false;
  gAudioEngine = nullptr;
  gInput = InputState{};
  int active = 0;
  for (const Enemy& e : game->enemies) active += e.active;
  EXPECT_GT(active, 0);
  EXPECT_EQ(gAllocations.load(), 0u);
}

}  // namespace
