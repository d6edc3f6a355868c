#pragma once
// The small records of the game: states, hit boxes, the random generator, floating texts, the
// dialogue's questions and choices, and the enemy slots.
#include <cstdint>

#include "app/math.h"

enum GameState : int32_t {
  kGamePlaying = 0,
  kGameLost = 1,  // the budget went below zero
  kGameWon = 2,   // the dialogue ended
};

// The state of the player or of one enemy, and the row of the sprite tables.
enum FighterState : int32_t {
  kFighterIdle = 0,
  kFighterWalk = 1,
  kFighterCrouch = 2,
  kFighterPunch = 3,
  kFighterKick = 4,
  kFighterHurt = 5,
  kFighterDead = 6,
};
constexpr int32_t kFighterStateCount = 7;

// A box relative to a fighter's position: it covers [position + offset, position + offset + size].
struct HitBox {
  float offsetX, offsetY, width, height;
};

// The game's random generator: every game starts from the same state, so its enemies decide
// and its hits cost the same in every game.
struct Prng16 {
  uint16_t s0, s1;

  // Returns s0 + s1 of the state before the step (0 to 131070) and advances.
  uint32_t Next();
};

// A ring of three short-lived amounts shown near the budget.
struct FloatingText {
  float timers[3];  // seconds left; shown while above 0
  Vec2 positions[3];
  int32_t amounts[3];  // cents
  uint32_t index;      // the slot written last
};

// Writes the next slot of the ring (the oldest one), shown for 2.0 s.
void PushFloatingText(FloatingText* ring, int32_t amount);

struct Question {
  int32_t choiceCount;     // 0 to kMaxChoicesPerQuestion
  int32_t* choiceIndices;  // into the game's choices, choiceCount of them
  char* text;              // a format without arguments; never null once loaded
};

struct Choice {
  int32_t price;          // cents; 0 free, negative a refund
  uint32_t nextQuestion;  // into the game's questions; 0 ends the dialogue
  char* text;             // never null once loaded
};

// Eight screen slots and eight keys.
constexpr int32_t kMaxChoicesPerQuestion = 8;

struct Enemy {
  Vec2 position;
  uint8_t active;  // 0 = free slot
  int32_t state;   // FighterState
  int32_t facing;  // 0 left, 1 right
  float timer;     // seconds in the state; in Walk the walk-cycle phase 0 to 1
  int32_t health;  // hits left
};

constexpr int32_t kEnemySlots = 20;
constexpr int32_t kSpawnPointCount = 6;
