// The fight and the per-frame update, driven through the keys and the mouse as the window would.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "app/input.h"
#include "audio/audio_engine.h"
#include "tests/game/dialogue_test_util.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

const char* kShopQuestions = R"(
  {"id": "end", "text": "Bye"},
  {"id": "s", "text": "S", "choices": ["a", "b"]},
  {"id": "t", "text": "T", "choices": ["a", "b"]})";
const char* kShopChoices = R"(
  {"id": "a", "price": 1000, "text": "A", "nextquestion": "t"},
  {"id": "b", "price": 500, "text": "B", "nextquestion": "s"})";

class Fight : public testing::Test {
 protected:
  void SetUp() override {
    game = NewGame();
    bool ok = false;
    LoadCapturing(game.get(), MenuJson(kShopQuestions, kShopChoices), &ok);
    ASSERT_TRUE(ok);
    Game::Reset(game.get());
    gInput = InputState{};
    ASSERT_TRUE(engine.Init());
    gAudioEngine = &engine;
    // One frame each, so the engine takes them and the test can tell them apart.
    game->punchWooshSound.samples = {1, 1};
    game->punchHitSound.samples = {2, 2};
    game->playerHurtSound.samples = {3, 3};
  }
  void TearDown() override {
    gAudioEngine = nullptr;
    gInput = InputState{};
  }

  // One update; returns the sounds it started, in order.
  std::vector<std::string> Step(float dt = kFrame) {
    const uint32_t before = engine.mixer.playCount;
    Game::Update(game.get(), dt);
    std::vector<std::pair<uint32_t, std::string>> started;
    for (const Voice& v : engine.mixer.voices) {
      if (!v.sound || v.startOrder < before) continue;
      const char* name = v.sound == &game->punchWooshSound ? "woosh"
                         : v.sound == &game->punchHitSound ? "hit"
                         : v.sound == &game->playerHurtSound ? "hurt" : "?";
      started.push_back({v.startOrder, name});
    }
    std::sort(started.begin(), started.end());
    MixerReset(&engine.mixer);
    engine.mixer.playCount = before + uint32_t(started.size());
    std::vector<std::string> names;
    for (auto& s : started) names.push_back(s.second);
    return names;
  }
  void Press(int key) { gInput.keys[key] = true; }
  void Release(int key) { gInput.keys[key] = false; }
  Enemy& PlaceEnemy(int slot, float x, float y, int32_t state, int32_t facing) {
    Enemy& e = game->enemies[slot];
    e = Enemy{};
    e.active = 1;
    e.position = {x, y};
    e.state = state;
    e.facing = facing;
    e.health = 3;
    return e;
  }

  std::unique_ptr<Game> game;
  AudioEngine engine;
};

TEST(Prng, StartsTheSameAfterEveryReset) {
  auto game = NewGame();
  Game::Reset(game.get());
  const uint32_t expected[6] = {1989, 70883, 93770, 100546, 81781, 121747};
  for (uint32_t v : expected) EXPECT_EQ(game->rng.Next(), v);
  Game::Reset(game.get());
  EXPECT_EQ(game->rng.Next(), 1989u);
}

TEST(Reset, StartsANewGameAndKeepsTheFacing) {
  auto game = NewGame();
  game->playerFacing = 1;
  game->state = kGameWon;
  game->currentQuestion = 0;
  game->budget = 5;
  game->enemies[3].active = 1;
  Game::Reset(game.get());
  EXPECT_EQ(game->state, kGamePlaying);
  EXPECT_EQ(game->budget, 90000);
  EXPECT_EQ(game->spent, 0);
  EXPECT_EQ(game->currentQuestion, 1);
  EXPECT_EQ(game->playerState, kFighterIdle);
  EXPECT_EQ(game->playerPos.x, 540.0f);
  EXPECT_EQ(game->playerPos.y, 300.0f);
  EXPECT_EQ(game->playerFacing, 1);
  EXPECT_EQ(game->enemies[3].active, 0);
  for (float t : game->priceTexts.timers) EXPECT_LT(t, 0.0f);
  for (float t : game->damageTexts.timers) EXPECT_LT(t, 0.0f);
}

TEST(HitBoxes, TouchingEdgesOverlap) {
  const HitBox a = {0, 0, 10, 10};
  EXPECT_TRUE(RectsOverlap(a, {0, 0}, a, {10, 10}));
  EXPECT_FALSE(RectsOverlap(a, {0, 0}, a, {10.01f, 0}));
  EXPECT_FALSE(RectsOverlap(a, {0, 0}, a, {0, -10.01f}));
}

TEST_F(Fight, FirstEnemyComesFromSpawnPointZeroAndItsThirdDecisionPunchesFor2546) {
  int frames = 0;
  while (!game->enemies[0].active && frames < 1000) {
    Step();
    ++frames;
  }
  EXPECT_NEAR(frames * kFrame, 4.0f, 2 * kFrame);
  EXPECT_NEAR(game->enemies[0].position.x, -140.0f + 200.0f * kFrame, 1.0f);
  std::vector<std::string> sounds;
  while (game->damageTexts.timers[0] <= 0.0f && frames < 2000) {
    sounds = Step();
    ++frames;
  }
  // Nothing, nothing, then a punch that reaches the idle player.
  Prng16 expected = {1989, 0};
  for (int i = 0; i < 4; ++i) expected.Next();
  EXPECT_EQ(game->rng.s0, expected.s0);
  EXPECT_EQ(game->damageTexts.amounts[0], 2546);
  EXPECT_EQ(game->budget, 90000 - 2546);
  EXPECT_EQ(game->playerState, kFighterHurt);
  EXPECT_EQ(game->enemies[0].state, kFighterPunch);
  EXPECT_EQ(sounds, (std::vector<std::string>{"hit", "hurt"}));
}

struct FightTrace {
  std::vector<int> waveFrames;
  std::vector<int> activeAfterWave;
  std::vector<int32_t> damages;
  int lostFrame = -1;
  int32_t finalBudget = 0;
};

// An idle player for up to five minutes: waves come on their schedule, every hit is charged, and
// the game is lost on the frame the budget goes below zero.
FightTrace RunIdleFight(Game* game, int* soundCount) {
  FightTrace trace;
  Game::Reset(game);
  gInput = InputState{};
  for (int frame = 1; frame <= 5 * 60 * 60; ++frame) {
    const float spawnBefore = game->spawnTimer;
    const uint32_t damageIndex = game->damageTexts.index;
    const int32_t budgetBefore = game->budget;
    Game::Update(game, kFrame);
    if (game->spawnTimer > spawnBefore) {
      trace.waveFrames.push_back(frame);
      int active = 0;
      for (const Enemy& e : game->enemies) active += e.active;
      trace.activeAfterWave.push_back(active);
    }
    if (game->damageTexts.index != damageIndex) {
      const int32_t amount = game->damageTexts.amounts[game->damageTexts.index];
      trace.damages.push_back(amount);
      EXPECT_EQ(game->budget, budgetBefore - amount);
    } else {
      EXPECT_EQ(game->budget, budgetBefore);
    }
    if (game->state == kGameLost) {
      EXPECT_LT(game->budget, 0);
      EXPECT_GE(budgetBefore, 0);
      trace.lostFrame = frame;
      break;
    }
    EXPECT_GE(game->budget, 0);
  }
  trace.finalBudget = game->budget;
  if (soundCount && gAudioEngine) *soundCount = int(gAudioEngine->mixer.playCount);
  return trace;
}

TEST_F(Fight, IdlePlayerLosesToTheWavesOnAFixedSchedule) {
  const FightTrace trace = RunIdleFight(game.get(), nullptr);
  // Waves after 4 s, then 4, 5, 6, ... seconds apart. Each wave drops the timer's overshoot, so
  // at 60 frames a second it lands on the first frame at or after its time.
  const int expectedActive[] = {1, 3, 6, 10, 14};
  ASSERT_EQ(trace.waveFrames.size(), 5u);
  int previous = 0;
  for (size_t i = 0; i < trace.waveFrames.size(); ++i) {
    const int gap = trace.waveFrames[i] - previous;
    const int seconds = i == 0 ? 4 : int(3 + i);
    EXPECT_GE(gap, seconds * 60) << "wave " << i;
    EXPECT_LE(gap, seconds * 60 + 1) << "wave " << i;
    EXPECT_EQ(trace.activeAfterWave[i], expectedActive[i]) << "wave " << i;
    previous = trace.waveFrames[i];
  }
  EXPECT_EQ(trace.activeAfterWave[0], 1);
  EXPECT_EQ(trace.activeAfterWave[1], 3);
  ASSERT_GT(trace.lostFrame, 0);
  int64_t total = 0;
  for (int32_t d : trace.damages) {
    EXPECT_GE(d, 2000);
    EXPECT_LE(d, 3999);
    total += d;
  }
  EXPECT_EQ(total, 90000 - trace.finalBudget);
  EXPECT_EQ(trace.damages.front(), 2546);
  // The whole game, pinned: a change here is a change of the rules.
  EXPECT_EQ(trace.lostFrame, 1664);
  EXPECT_EQ(trace.damages.size(), 30u);
  EXPECT_EQ(trace.finalBudget, -415);
  // The same inputs give the same game, every time.
  const FightTrace again = RunIdleFight(game.get(), nullptr);
  EXPECT_EQ(again.lostFrame, trace.lostFrame);
  EXPECT_EQ(again.damages, trace.damages);
  EXPECT_EQ(again.finalBudget, trace.finalBudget);

  // Lost: the fight stands still until Space is pressed and released.
  Enemy before[kEnemySlots];
  std::copy(std::begin(game->enemies), std::end(game->enemies), before);
  const int32_t budget = game->budget;
  for (int i = 0; i < 120; ++i) Step();
  for (int i = 0; i < kEnemySlots; ++i) {
    EXPECT_EQ(game->enemies[i].position.x, before[i].position.x);
    EXPECT_EQ(game->enemies[i].timer, before[i].timer);
  }
  EXPECT_EQ(game->budget, budget);
  Press(kVkSpace);
  Step();
  EXPECT_EQ(game->state, kGameLost);
  EXPECT_EQ(game->restartArmed, 1);
  Release(kVkSpace);
  Step();
  EXPECT_EQ(game->state, kGamePlaying);
  EXPECT_EQ(game->budget, 90000);
  EXPECT_EQ(game->restartArmed, 0);
}

TEST_F(Fight, BothArrowConflictsFavourLeftAndUp) {
  Press(kVkLeft);
  Press(kVkRight);
  Press(kVkUp);
  Press(kVkDown);
  game->playerFacing = 1;
  Step(0.1f);
  EXPECT_NEAR(game->playerPos.x, 540.0f - 30.0f, 1e-3f);
  EXPECT_NEAR(game->playerPos.y, 300.0f + 15.0f, 1e-3f);
  EXPECT_EQ(game->playerFacing, 0);
  EXPECT_EQ(game->playerState, kFighterWalk);
}

TEST_F(Fight, WalkingIsClampedAndStandingKeepsTheCyclePhase) {
  Press(kVkLeft);
  Step(0.3f);
  EXPECT_NEAR(game->playerTimer, 0.3f, 1e-6f);
  Step(5.0f);
  EXPECT_EQ(game->playerPos.x, 0.0f);
  EXPECT_GE(game->playerTimer, 0.0f);
  EXPECT_LE(game->playerTimer, 1.0f);
  Release(kVkLeft);
  const float phase = game->playerTimer;
  Step();
  EXPECT_EQ(game->playerState, kFighterIdle);
  EXPECT_EQ(game->playerTimer, phase);
  Press(kVkRight);
  Step(0.1f);
  EXPECT_NEAR(game->playerTimer, 0.1f, 1e-6f);  // a new walk starts its cycle at 0
}

TEST_F(Fight, PunchLatchFiresOncePerPressAndHitsEachEnemyOnce) {
  game->playerFacing = 1;
  Enemy& e = PlaceEnemy(0, 640, 300, kFighterIdle, 0);
  Press('A');
  EXPECT_EQ(Step(), (std::vector<std::string>{"hit"}));
  EXPECT_EQ(game->playerState, kFighterPunch);
  EXPECT_EQ(e.health, 2);
  EXPECT_EQ(e.state, kFighterHurt);
  // Held: no second punch, no second hit while the enemy is hurt.
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(Step().empty());
  EXPECT_EQ(e.health, 2);
  Release('A');
  Step();
  EXPECT_EQ(game->playerState, kFighterIdle);
  // Q is the same key on the other layout: a new press while the enemy is still hurt whooshes.
  Press('Q');
  EXPECT_EQ(Step(), (std::vector<std::string>{"woosh"}));
  EXPECT_EQ(e.health, 2);
  Release('Q');
}

TEST_F(Fight, ThreeHitsKillAndTheBodyGoesAfterThreeSeconds) {
  game->playerFacing = 1;
  Enemy& e = PlaceEnemy(0, 640, 300, kFighterIdle, 0);
  e.health = 1;
  Press('E');
  EXPECT_EQ(Step(), (std::vector<std::string>{"hit"}));
  EXPECT_EQ(game->playerState, kFighterKick);
  EXPECT_EQ(e.health, 0);
  Release('E');
  for (int i = 0; i < 16 && e.state == kFighterHurt; ++i) Step();
  EXPECT_EQ(e.state, kFighterDead);
  int frames = 0;
  while (e.active && frames < 400) {
    Step();
    ++frames;
  }
  EXPECT_NEAR(frames * kFrame, 3.0f, 2 * kFrame);
}

TEST_F(Fight, CrouchHoldsWhileHeldOnBothLayoutsAndBlocksAttacks) {
  Press('Z');
  Step();
  EXPECT_EQ(game->playerState, kFighterCrouch);
  Press('A');
  EXPECT_TRUE(Step().empty());
  EXPECT_EQ(game->playerState, kFighterCrouch);
  Release('Z');
  Step();
  EXPECT_EQ(game->playerState, kFighterIdle);
  Step();
  EXPECT_EQ(game->playerState, kFighterIdle);  // the punch key was pressed during the crouch
  Release('A');
  Press('W');
  Step();
  EXPECT_EQ(game->playerState, kFighterCrouch);
  // A hit while crouching: one Hurt frame with its knock-back, then the crouch again.
  game->playerState = kFighterHurt;
  game->playerTimer = 0;
  game->playerFacing = 0;
  const float x = game->playerPos.x;
  Step(0.1f);
  EXPECT_NEAR(game->playerPos.x, x + 20.0f, 1e-3f);
  EXPECT_EQ(game->playerState, kFighterCrouch);
  Release('W');
}

TEST_F(Fight, ChoiceKeysBuyOncePerPressOnBothRowsAndInSlotOrder) {
  Press('1');
  for (int i = 0; i < 5; ++i) Step();
  EXPECT_EQ(game->budget, 89000);
  EXPECT_EQ(game->currentQuestion, 2);
  Release('1');
  Step();
  Press(kVkNumpad1 + 1);  // keypad 2
  Step();
  EXPECT_EQ(game->budget, 88500);
  EXPECT_EQ(game->currentQuestion, 1);
  Release(kVkNumpad1 + 1);
  Step();
  // Two keys in one frame: slot 1 of question 1, then slot 2 of the question that follows.
  Press('1');
  Press('2');
  Step();
  EXPECT_EQ(game->budget, 87000);
  EXPECT_EQ(game->currentQuestion, 1);
}

TEST_F(Fight, MouseBuysOnReleaseWhatWasLastUnderTheCursor) {
  auto at = [&](float x, float y, bool down) {
    gInput.cursorX = x;
    gInput.cursorY = y;
    gInput.leftDown = down;
  };
  at(110, 160, false);  // over slot 0
  Step();
  EXPECT_EQ(game->hoveredChoice, 0);
  at(110, 160, true);
  Step();
  EXPECT_EQ(game->pressedChoice, 0);
  EXPECT_EQ(game->hoveredChoice, -1);
  at(110, 110, true);  // dragged to slot 1
  Step();
  at(110, 110, false);
  Step();
  EXPECT_EQ(game->budget, 89500);
  EXPECT_EQ(game->currentQuestion, 1);
  EXPECT_EQ(game->pressedChoice, -1);
  at(110, 160, true);
  Step();
  at(1000, 700, true);  // released outside every box
  Step();
  at(1000, 700, false);
  Step();
  EXPECT_EQ(game->budget, 89500);
  // A refused resize shows the kept 1280 x 720 frame stretched over a 1600 x 900 window: slot 1
  // drawn at frame pixel (110, 130) sits under window pixel (137.5, 162.5), slot 0's height.
  game->clientWidth = 1600;
  game->clientHeight = 900;
  at(137.5f, 162.5f, false);
  Step();
  EXPECT_EQ(game->hoveredChoice, 1);
}

TEST_F(Fight, PauseFreezesFightAndDialogueUntilEscapeIsPressedAgain) {
  PlaceEnemy(0, 100, 400, kFighterWalk, 1);
  game->priceTexts.timers[0] = 1.5f;
  Press(kVkEscape);
  Step();
  EXPECT_EQ(game->paused, 1);
  const Enemy before = game->enemies[0];
  const float spawnTimer = game->spawnTimer;
  Press('1');
  Press(kVkLeft);
  for (int i = 0; i < 300; ++i) Step();  // Escape still held: no toggle
  EXPECT_EQ(game->paused, 1);
  EXPECT_EQ(game->enemies[0].position.x, before.position.x);
  EXPECT_EQ(game->spawnTimer, spawnTimer);
  EXPECT_EQ(game->priceTexts.timers[0], 1.5f);
  EXPECT_EQ(game->budget, 90000);
  EXPECT_EQ(game->playerPos.x, 540.0f);
  Release('1');
  Release(kVkLeft);
  Release(kVkEscape);
  Step();
  Press(kVkEscape);
  Step();
  EXPECT_EQ(game->paused, 0);
  EXPECT_NE(game->enemies[0].position.x, before.position.x);
}

TEST_F(Fight, EnemyExactlyOnThePlayerStaysANumber) {
  Enemy& e = PlaceEnemy(0, 540, 300, kFighterWalk, 1);
  for (int i = 0; i < 10; ++i) Step();
  EXPECT_TRUE(std::isfinite(e.position.x));
  EXPECT_TRUE(std::isfinite(e.position.y));
}

TEST_F(Fight, FullSlotsDropTheWaveButItStillGrows) {
  for (int i = 0; i < kEnemySlots; ++i) PlaceEnemy(i, 2000, 900, kFighterIdle, 0);
  const int32_t size = game->waveSize;
  Game::SpawnWave(game.get());
  EXPECT_EQ(game->waveSize, size + 1);
  EXPECT_EQ(game->spawnInterval, 5.0f);
  EXPECT_EQ(game->enemies[0].position.x, 2000.0f);
  EXPECT_EQ(game->spawnPointIndex, 5u);
}

TEST_F(Fight, EnemyBeside70ButFarBelowStillDecidesAndKicksACrouchingPlayer) {
  game->playerPos = {540, 475};
  Enemy& e = PlaceEnemy(0, 470, 250, kFighterWalk, 1);
  Step();
  EXPECT_NE(game->rng.s0, 1989);  // a decision was drawn
  // An enemy's kick reaches a crouching player at the same height.
  game->playerPos = {540, 300};
  game->playerState = kFighterCrouch;
  Press('Z');
  e = Enemy{};
  Enemy& kicker = PlaceEnemy(1, 480, 300, kFighterWalk, 1);
  game->rng = {2, 2};  // r = 4: even, 4 % 6 == 4: a kick
  EXPECT_EQ(Step(), (std::vector<std::string>{"hit", "hurt"}));
  EXPECT_EQ(kicker.state, kFighterKick);
  EXPECT_EQ(game->playerState, kFighterHurt);
  Step();
  EXPECT_EQ(game->playerState, kFighterCrouch);  // the held crouch key takes over the next frame
  Release('Z');
}

}  // namespace
