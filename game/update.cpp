// The per-frame update: pause, restart, the player's moves and attacks, buying, enemy waves and
// their behaviour, hits that cost money, loss. Works on the game's fixed arrays only: no
// allocation.
#include <cmath>

#include "app/input.h"
#include "audio/audio_engine.h"
#include "game/game.h"

namespace {
constexpr float kPlayerSpeedX = 300.0f, kPlayerSpeedY = 150.0f;
constexpr float kPlayerMinX = 0.0f, kPlayerMaxX = 1160.0f;
constexpr float kPlayerMinY = 250.0f, kPlayerMaxY = 475.0f;
constexpr float kAttackTime = 0.2f;
constexpr float kHurtTime = 0.25f;
constexpr float kKnockBackSpeed = 200.0f;
constexpr float kEnemySpeedX = 200.0f, kEnemySpeedY = 100.0f;
constexpr float kEnemyIdleTime = 1.0f, kEnemyCrouchTime = 1.0f;
constexpr float kDeadRemoveTime = 3.0f;
constexpr float kDecisionRange = 80.0f;
constexpr int32_t kEnemyHealth = 3;
constexpr int32_t kMaxWaveSize = 4;
constexpr float kMaxSpawnInterval = 15.0f;
constexpr int kVkA = 0x41, kVkQ = 0x51, kVkE = 0x45, kVkZ = 0x5A, kVkW = 0x57, kVk1 = 0x31;

void PlaySound(const Sound& sound) {
  if (gAudioEngine) gAudioEngine->Play(sound, 1.0f, 0.0f);
}

bool KeyHeld(int virtualKey) { return gInput.keys[virtualKey & 0xFF]; }

int Side(int32_t facing) { return facing != 0 ? 1 : 0; }

const HitBox& BodyBox(const Game* game, int32_t state, int32_t facing) {
  return state == kFighterCrouch ? game->crouchBodyBoxes[Side(facing)] : game->bodyBoxes[Side(facing)];
}

// Keeps a walk-cycle phase in [0, 1]: above 1.0 it drops by whole cycles, so exactly 1.0 stays.
// One step for any dt, so a long stall cannot spin here.
float WrapCycle(float t) {
  if (t > 1.0f) t -= std::ceil(t - 1.0f);
  return t;
}

int32_t SaturatedSub(int32_t a, int32_t b) {
  const int64_t d = int64_t(a) - int64_t(b);
  return d < INT32_MIN ? INT32_MIN : d > INT32_MAX ? INT32_MAX : int32_t(d);
}

bool IsHittable(const Enemy& e) {
  return e.active && e.state != kFighterHurt && e.state != kFighterDead;
}

void UpdatePlayerMovement(Game* game, float dt) {
  switch (game->playerState) {
    case kFighterCrouch:
    case kFighterPunch:
    case kFighterKick:
      return;
    case kFighterHurt:
      game->playerTimer += dt;
      if (game->playerTimer >= kHurtTime) {
        game->playerState = kFighterWalk;
        game->playerTimer = 0;
      }
      game->playerPos.x += Side(game->playerFacing) == 0 ? kKnockBackSpeed * dt : -kKnockBackSpeed * dt;
      return;
    default:
      break;
  }
  const AxisPair axes = gInput.axes[0];
  game->playerPos.x += axes.x * kPlayerSpeedX * dt;
  game->playerPos.y += axes.y * kPlayerSpeedY * dt;
  if (axes.x == 0.0f && axes.y == 0.0f) {
    game->playerState = kFighterIdle;
  } else {
    if (game->playerState != kFighterWalk) {
      game->playerState = kFighterWalk;
      game->playerTimer = 0;
    }
    game->playerTimer = WrapCycle(game->playerTimer + dt);
  }
  if (game->playerPos.x < kPlayerMinX) game->playerPos.x = kPlayerMinX;
  if (game->playerPos.x > kPlayerMaxX) game->playerPos.x = kPlayerMaxX;
  if (game->playerPos.y < kPlayerMinY) game->playerPos.y = kPlayerMinY;
  if (game->playerPos.y > kPlayerMaxY) game->playerPos.y = kPlayerMaxY;
  if (axes.x < 0.0f) game->playerFacing = 0;
  if (axes.x > 0.0f) game->playerFacing = 1;
}

void UpdateChoiceKeys(Game* game) {
  for (int32_t i = 0; i < kMaxChoicesPerQuestion; ++i) {
    const bool held = KeyHeld(kVk1 + i) || KeyHeld(kVkNumpad1 + i);
    if (!held) {
      game->choiceKeyHeld[i] = 0;
    } else if (!game->choiceKeyHeld[i]) {
      game->choiceKeyHeld[i] = 1;
      Game::BuyChoice(game, i);
    }
  }
}

// A press of the punch or kick key: the attack starts from Idle or Walk only, and its sound says
// whether an enemy is in reach.
void PressAttack(Game* game, bool held, uint8_t* latch, int32_t attack, const HitBox* boxes) {
  if (!held) {
    *latch = 0;
    return;
  }
  if (*latch) return;
  *latch = 1;
  if (game->playerState != kFighterIdle && game->playerState != kFighterWalk) return;
  game->playerState = attack;
  game->playerTimer = 0;
  const HitBox& reach = boxes[Side(game->playerFacing)];
  bool inReach = false;
  for (const Enemy& e : game->enemies) {
    if (IsHittable(e) && RectsOverlap(BodyBox(game, e.state, e.facing), e.position, reach, game->playerPos)) {
      inReach = true;
      break;
    }
  }
  PlaySound(inReach ? game->punchHitSound : game->punchWooshSound);
}

// Every frame of the player's attack hits each enemy in reach that is not already hurt; an enemy
// stays Hurt longer than the attack, so one attack hits it once.
void ResolveAttack(Game* game, float dt, int32_t attack, const HitBox* boxes) {
  if (game->playerState != attack) return;
  const HitBox& reach = boxes[Side(game->playerFacing)];
  for (Enemy& e : game->enemies) {
    if (IsHittable(e) && RectsOverlap(BodyBox(game, e.state, e.facing), e.position, reach, game->playerPos)) {
      e.health -= 1;
      e.state = kFighterHurt;
      e.timer = 0;
    }
  }
  game->playerTimer += dt;
  if (game->playerTimer >= kAttackTime) {
    game->playerState = kFighterIdle;
    game->playerTimer = 0;
  }
}

void EnemyAttack(Game* game, Enemy* e, int32_t attack) {
  e->state = attack;
  e->timer = 0;
  bool hit = false;
  if (game->playerState != kFighterHurt && game->playerState != kFighterDead) {
    const HitBox& reach = attack == kFighterPunch ? game->punchBoxes[Side(e->facing)]
                                                  : game->enemyKickBoxes[Side(e->facing)];
    hit = RectsOverlap(BodyBox(game, game->playerState, game->playerFacing), game->playerPos, reach,
                       e->position);
    if (hit) {
      game->playerState = kFighterHurt;
      game->playerTimer = 0;
    }
  }
  PlaySound(hit ? game->punchHitSound : game->punchWooshSound);
  PlaySound(game->playerHurtSound);
  if (!hit) return;
  const int32_t damage = 2000 + int32_t(game->rng.Next() % 2000);
  PushFloatingText(&game->damageTexts, damage);
  game->budget = SaturatedSub(game->budget, damage);
}

void UpdateWalkingEnemy(Game* game, Enemy* e, float dt) {
  const Vec2 player = game->playerPos;
  const Vec2 old = e->position;
  const float dx = player.x - old.x, dy = player.y - old.y;
  const float length = std::sqrt(dx * dx + dy * dy);
  // An enemy exactly on the player has no direction: it stands still this frame.
  const float ux = length > 0.0f ? dx / length : 0.0f;
  const float uy = length > 0.0f ? dy / length : 0.0f;
  e->position.x += ux * kEnemySpeedX * dt;
  if (e->position.x >= player.x - 60.0f && e->position.x <= player.x + 60.0f) e->position.x = old.x;
  e->position.y += uy * kEnemySpeedY * dt;
  if (e->position.y >= player.y - 40.0f && e->position.y <= player.y + 80.0f) e->position.y = old.y;
  if (ux < 0.0f) e->facing = 0;
  if (ux > 0.0f) e->facing = 1;
  e->timer = WrapCycle(e->timer + dt);
  if (!(e->position.x >= player.x - kDecisionRange && e->position.x <= player.x + kDecisionRange)) return;
  const uint32_t r = game->rng.Next();
  if (r % 2 == 1) {
    if (r % 11 == 0) {
      e->state = kFighterCrouch;
      e->timer = 0;
    }
    return;
  }
  switch (r % 6) {
    case 2:
      EnemyAttack(game, e, kFighterPunch);
      break;
    case 4:
      EnemyAttack(game, e, kFighterKick);
      break;
    default:  // 0
      e->state = kFighterCrouch;
      e->timer = 0;
      break;
  }
}

void UpdateEnemy(Game* game, Enemy* e, float dt) {
  switch (e->state) {
    case kFighterWalk:
      UpdateWalkingEnemy(game, e, dt);
      break;
    case kFighterIdle:
      e->timer += dt;
      if (e->timer >= kEnemyIdleTime) {
        e->state = kFighterWalk;
        e->timer = 0;
      }
      break;
    case kFighterCrouch:
      e->timer += dt;
      if (e->timer >= kEnemyCrouchTime) {
        e->state = kFighterIdle;
        e->timer = 0;
      }
      break;
    case kFighterPunch:
    case kFighterKick:
      e->timer += dt;
      if (e->timer >= kAttackTime) {
        e->state = kFighterIdle;
        e->timer = 0;
      }
      break;
    case kFighterHurt:
      e->timer += dt;
      if (e->timer >= kHurtTime) {
        e->timer = 0;
        e->state = e->health > 0 ? kFighterWalk : kFighterDead;
      }
      e->position.x += Side(e->facing) == 0 ? kKnockBackSpeed * dt : -kKnockBackSpeed * dt;
      break;
    case kFighterDead:
      e->timer += dt;
      if (e->timer >= kDeadRemoveTime) e->active = 0;
      break;
    default:
      break;
  }
}

int32_t ChoiceSlotUnderCursor(const Game* game) {
  if (game->viewportWidth <= 0 || game->viewportHeight <= 0) return -1;
  if (game->currentQuestion < 0 || uint32_t(game->currentQuestion) >= game->questionCount) return -1;
  float cx = gInput.frameCursorX, cy = gInput.frameCursorY;
  // After a refused resize the kept frame is shown stretched over the window: the cursor's
  // window pixels are taken to the frame's first.
  if (game->clientWidth > 0 && game->clientHeight > 0 &&
      (game->clientWidth != game->viewportWidth || game->clientHeight != game->viewportHeight)) {
    cx = cx * float(game->viewportWidth) / float(game->clientWidth);
    cy = cy * float(game->viewportHeight) / float(game->clientHeight);
  }
  const float mx = cx / float(game->viewportWidth) * 1280.0f;
  const float my = cy / float(game->viewportHeight) * 720.0f;
  int32_t count = game->questions[game->currentQuestion].choiceCount;
  if (count > kMaxChoicesPerQuestion) count = kMaxChoicesPerQuestion;
  int32_t under = -1;
  for (int32_t i = 0; i < count; ++i) {
    const Vec2 p = game->choiceTextPos[i];
    if (p.x <= mx && mx <= p.x + game->choiceBoxSize.x && p.y <= my && my <= p.y + game->choiceBoxSize.y)
      under = i;
  }
  return under;
}

void UpdateMouse(Game* game) {
  const int32_t under = ChoiceSlotUnderCursor(game);
  if (gInput.frameLeftDown) {
    game->hoveredChoice = -1;
    game->pressedChoice = under;
    return;
  }
  if (game->pressedChoice >= 0) Game::BuyChoice(game, game->pressedChoice);
  game->pressedChoice = -1;
  game->hoveredChoice = under;
}
}  // namespace

void Game::SpawnWave(Game* game) {
  game->spawnTimer = game->spawnInterval;
  for (int32_t n = 0; n < game->waveSize; ++n) {
    Enemy* slot = nullptr;
    for (Enemy& e : game->enemies) {
      if (!e.active) {
        slot = &e;
        break;
      }
    }
    if (!slot) continue;  // every slot busy: this enemy of the wave is dropped
    slot->active = 1;
    slot->state = kFighterWalk;
    slot->timer = 0;
    slot->health = kEnemyHealth;
    game->spawnPointIndex = (game->spawnPointIndex + 1) % kSpawnPointCount;
    slot->position = game->spawnPoints[game->spawnPointIndex];
  }
  if (game->waveSize < kMaxWaveSize) game->waveSize += 1;
  if (game->spawnInterval < kMaxSpawnInterval) game->spawnInterval += 1.0f;
}

void Game::Update(Game* game, float dt) {
  gInput.Poll();

  if (gInput.escape) {
    if (!game->pauseKeyHeld) {
      game->pauseKeyHeld = 1;
      game->paused = !game->paused;
    }
  } else {
    game->pauseKeyHeld = 0;
  }
  if (game->paused) return;

  for (FloatingText* ring : {&game->damageTexts, &game->priceTexts})
    for (float& t : ring->timers)
      if (t > 0.0f) t -= dt;

  if (game->state == kGameLost || game->state == kGameWon) {
    if (!game->restartArmed && gInput.space) game->restartArmed = 1;
    if (game->restartArmed && !gInput.space) {
      game->restartArmed = 0;
      Game::Reset(game);
    }
    return;
  }

  UpdatePlayerMovement(game, dt);
  UpdateChoiceKeys(game);
  PressAttack(game, KeyHeld(kVkA) || KeyHeld(kVkQ), &game->punchKeyHeld, kFighterPunch, game->punchBoxes);
  if (KeyHeld(kVkZ) || KeyHeld(kVkW)) {
    game->crouchKeyHeld = 1;
  } else if (game->crouchKeyHeld) {
    game->crouchKeyHeld = 0;
    game->playerState = kFighterIdle;
  }
  PressAttack(game, KeyHeld(kVkE), &game->kickKeyHeld, kFighterKick, game->kickBoxes);
  if (game->crouchKeyHeld && game->playerState != kFighterPunch && game->playerState != kFighterKick)
    game->playerState = kFighterCrouch;
  ResolveAttack(game, dt, kFighterKick, game->kickBoxes);
  ResolveAttack(game, dt, kFighterPunch, game->punchBoxes);

  game->spawnTimer -= dt;
  if (game->spawnTimer <= 0.0f) Game::SpawnWave(game);
  for (Enemy& e : game->enemies)
    if (e.active) UpdateEnemy(game, &e, dt);

  UpdateMouse(game);

  if (game->affordableChoice != -1) {
    game->affordableTimer -= dt;
    if (game->affordableTimer <= 0.0f) game->affordableChoice = -1;
  }
  if (game->budget < 0) {
    game->state = kGameLost;
    game->restartArmed = 0;
  }
}
