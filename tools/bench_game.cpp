// Game::Update with all 20 enemy slots busy: time per call, and allocations per call counted by
// replacing the global allocator (it must stay 0). Native optimised builds; run it by hand:
//   build/<dir>/game/bench_game
#include <benchmark/benchmark.h>

#include <string>

#include "app/input.h"
#include "audio/audio_engine.h"
#include "game/dialogue.h"
#include "game/game.h"
#include "tests/support/alloc_counter.h"

namespace {

void FillEnemies(Game* game) {
  for (int i = 0; i < kEnemySlots; ++i) {
    Enemy& e = game->enemies[i];
    e = Enemy{};
    e.active = 1;
    e.state = kFighterWalk;
    e.health = 3;
    e.position = {float(i * 60), float(250 + (i % 5) * 50)};
  }
}

void BM_GameUpdateTwentyEnemies(benchmark::State& state) {
  Game* game = new Game();
  game->viewportWidth = 1280;
  game->viewportHeight = 720;
  SetLayoutConstants(game);
  LoadDialogue(game, kMenuPath);  // the shipped dialogue loads without a word
  Game::Reset(game);
  game->budget = 1 << 30;  // the fight never ends
  AudioEngine* engine = new AudioEngine();
  engine->Init();
  gAudioEngine = engine;
  game->punchWooshSound.samples.assign(2000, 1);
  game->punchHitSound.samples.assign(2000, 2);
  game->playerHurtSound.samples.assign(2000, 3);
  FillEnemies(game);
  gInput = InputState{};
  int16_t mix[64 * 2];
  uint64_t frame = 0;
  const uint64_t allocationsBefore = gAllocations.load();
  gCountAllocations = true;
  for (auto _ : state) {
    gInput.keys[int('A')] = frame % 20 < 10;
    gInput.keys[kVkLeft] = frame % 300 < 150;
    Game::Update(game, 1.0f / 60.0f);
    // Keep 20 enemies busy: dead ones come back at once.
    for (Enemy& e : game->enemies)
      if (!e.active || e.state == kFighterDead) e = Enemy{{float(frame % 1200), 300}, 1, kFighterWalk, 0, 0, 3};
    if (frame % 16 == 0) engine->Mix(mix, 64);  // voices end now and then, as on a device
    ++frame;
  }
  gCountAllocations = false;
  const uint64_t allocations = gAllocations.load() - allocationsBefore;
  state.counters["allocs_per_update"] =
      benchmark::Counter(double(allocations) / double(frame ? frame : 1));
  gAudioEngine = nullptr;
  delete engine;
  delete game;
}
BENCHMARK(BM_GameUpdateTwentyEnemies);

}  // namespace

BENCHMARK_MAIN();
