#include "game/game.h"
#include "game/screen_layout.h"

#include "game/dialogue.h"

namespace {
uint16_t Rotl16(uint16_t v, int n) { return static_cast<uint16_t>((v << n) | (v >> (16 - n))); }
}  // namespace

uint32_t Prng16::Next() {
  const uint32_t result = uint32_t{s0} + uint32_t{s1};
  const uint16_t t = s0 ^ s1;
  s0 = static_cast<uint16_t>(Rotl16(s0, 6) ^ t ^ static_cast<uint16_t>(t << 4));
  s1 = Rotl16(t, 9);  // rotate right by 7
  return result;
}

void PushFloatingText(FloatingText* ring, int32_t amount) {
  ring->index = (ring->index + 1) % 3;
  ring->timers[ring->index] = 2.0f;
  ring->amounts[ring->index] = amount;
}

Game::Game() {
  self = this;
  // Nothing hovered or affordable until the first update says otherwise, so a frame drawn before
  // it shows no highlight.
  pressedChoice = -1;
  hoveredChoice = -1;
  affordableChoice = -1;
  textMeshes = MeshHandle::NewArray(kInitialTextMeshes);
  textMeshCapacity = textMeshes ? kInitialTextMeshes : 0;
  textMeshesUsed = 0;
}

Game::~Game() {
  FreeDialogue(this);
  MeshHandle::FreeArrayBlock(textMeshes);
}

void SetLayoutConstants(Game* game) {
  game->choiceBoxSize = {500, 40};
  game->choiceBoxPixelSize =
      VirtualSizeToPixels(game->choiceBoxSize, game->viewportWidth, game->viewportHeight);
  game->questionTextPos = {100, 200};
  game->budgetTextPos = {100, 600};
  game->messageTextPos = {game->questionTextPos.x, game->questionTextPos.y + 200};
  static const Vec2 kChoicePositions[kMaxChoicesPerQuestion] = {
      {100, 150}, {100, 100}, {100, 50}, {100, 0}, {600, 150}, {600, 100}, {600, 50}, {600, 0}};
  for (int i = 0; i < kMaxChoicesPerQuestion; ++i) game->choiceTextPos[i] = kChoicePositions[i];
  static const Vec2 kSpawnPoints[kSpawnPointCount] = {{-140, 350}, {1420, 475}, {-140, 475},
                                                      {1420, 350}, {1420, 250}, {-140, 250}};
  for (int i = 0; i < kSpawnPointCount; ++i) game->spawnPoints[i] = kSpawnPoints[i];
  game->punchBoxes[0] = {-50, 100, 110, 100};
  game->punchBoxes[1] = {60, 100, 110, 100};
  game->kickBoxes[0] = {-70, 20, 140, 180};
  game->kickBoxes[1] = {60, 20, 130, 180};
  game->enemyKickBoxes[0] = {0, 0, 60, 200};
  game->enemyKickBoxes[1] = {60, 0, 60, 200};
  game->bodyBoxes[0] = game->bodyBoxes[1] = {30, 0, 60, 200};
  game->crouchBodyBoxes[0] = game->crouchBodyBoxes[1] = {30, 0, 60, 100};
  for (int i = 0; i < 3; ++i) {
    const float down = 40.0f * (i + 1);
    game->priceTexts.positions[i] = {game->budgetTextPos.x, game->budgetTextPos.y - down};
    game->damageTexts.positions[i] = {game->budgetTextPos.x + 100, game->budgetTextPos.y - down};
  }
}

void Game::Reset(Game* game) {
  game->state = kGamePlaying;
  game->affordableTimer = 0;
  game->budget = kStartBudgetCents;
  game->spent = 0;
  game->currentQuestion = 1;
  game->pressedChoice = -1;
  game->affordableChoice = -1;
  game->damageTexts.index = 2;
  game->priceTexts.index = 2;
  for (int i = 0; i < 3; ++i) {
    game->damageTexts.timers[i] = -1.0f;
    game->priceTexts.timers[i] = -1.0f;
  }
  game->playerState = kFighterIdle;
  game->playerTimer = 0;
  game->playerPos = {540, 300};
  for (Enemy& e : game->enemies) e.active = 0;
  game->spawnInterval = 4.0f;
  game->spawnTimer = 4.0f;
  game->spawnPointIndex = 5;
  game->punchKeyHeld = game->kickKeyHeld = game->crouchKeyHeld = 0;
  game->pauseKeyHeld = 0;
  game->paused = 0;
  game->rng = {1989, 0};
  game->waveSize = 1;
}

bool RectsOverlap(const HitBox& a, const Vec2& positionA, const HitBox& b, const Vec2& positionB) {
  const float aLeft = positionA.x + a.offsetX, aBottom = positionA.y + a.offsetY;
  const float bLeft = positionB.x + b.offsetX, bBottom = positionB.y + b.offsetY;
  return aLeft <= bLeft + b.width && bLeft <= aLeft + a.width && aBottom <= bBottom + b.height &&
         bBottom <= aBottom + a.height;
}
