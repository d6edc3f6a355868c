#pragma once
// The one game object: the scene's GPU resources, the shopping dialogue with its budget, the
// brawl's fighters, the random generator and the sound effects. Portable: the rules (reset,
// dialogue, update) build natively for the tests; drawing, text boxes, resizing and asset loading
// are the Windows screen side (game/game_*_d3d12.cpp).
#include <cstdarg>
#include <cstdint>
#include <vector>

#include "app/math.h"
#include "audio/sound.h"
#include "game/game_types.h"
#include "render/mesh_handle.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

constexpr uint32_t kInitialTextMeshes = 50;
constexpr int32_t kStartBudgetCents = 90000;

struct Game {
  Game* self{};  // the window's resize handler reaches the game through it
  MeshHandle quadMesh;
  Texture emptyTexture;  // never loaded: the sprite's texture until the first frame picks one
  Texture blackPixelTexture;
  ShaderProgram basicFixedProgram;
  ShaderProgram textProgram;
  ShaderProgram colorProgram;
  SceneObject rectObject;
  SceneObject backgroundObject;
  SceneObject spriteObject;
  FontAtlas fontAtlas;
  Mat4 viewMat{};
  Mat4 projMat{};
  Texture backgroundTexture;
  int32_t viewportWidth{}, viewportHeight{}, viewportX{}, viewportY{};
  // The window's client size, in which the cursor comes; it differs from the viewport only while
  // the swap chain keeps its old size after a refused resize.
  int32_t clientWidth{}, clientHeight{};
  std::vector<PageMesh> textPageMeshes;
  MeshHandle* textMeshes{};  // count-prefixed array (MeshHandle::NewArray)
  uint32_t textMeshCapacity{};
  uint32_t textMeshesUsed{};
  bool textMeshGrowthReported{};  // a larger text-mesh array could not be had
  uint8_t restartArmed{};

  // The dialogue (game/dialogue.h); the game owns every array and string.
  Question* questions{};
  Choice* choices{};
  char* choiceWithPrice{};
  char* choiceWithoutPrice{};
  char* budgetFormat{};
  char* budgetFormatNegativeCents{};
  char* gameOverText{};
  char* gameWonText{};
  char* affordableItemExistsText{};
  char* helpText{};
  int32_t currentQuestion{};  // 0 = the dialogue has ended
  int32_t pressedChoice{};    // slot under the held mouse button, -1 none
  int32_t hoveredChoice{};    // slot under the mouse, -1 none
  Vec2 choiceBoxSize{};
  Vec2 choiceBoxPixelSize{};
  int32_t state{};  // GameState
  uint8_t paused{};
  Vec2 questionTextPos{};
  Vec2 budgetTextPos{};
  Vec2 messageTextPos{};
  Vec2 choiceTextPos[kMaxChoicesPerQuestion]{};
  int32_t budget{};  // cents; negative when overspent
  int32_t spent{};   // cents spent on choices since the reset
  uint32_t choiceCount{};
  uint32_t questionCount{};
  int32_t affordableChoice{};  // a priced choice the rest of the budget covers, -1 none
  float affordableTimer{};
  FloatingText damageTexts{};
  FloatingText priceTexts{};

  Vec2 playerPos{};
  int32_t playerFacing{};  // 0 left, 1 right
  uint8_t punchKeyHeld{}, kickKeyHeld{}, crouchKeyHeld{};
  uint8_t choiceKeyHeld[kMaxChoicesPerQuestion]{};
  uint8_t pauseKeyHeld{};
  Texture playerSprites[kFighterStateCount][2];
  Texture enemySprites[kFighterStateCount][2];
  Vec2 playerSpriteSizes[kFighterStateCount]{};
  Vec2 enemySpriteSizes[kFighterStateCount]{};
  Vec2 playerSpriteOffsets[kFighterStateCount][2]{};
  Vec2 enemySpriteOffsets[kFighterStateCount][2]{};
  Texture playerWalkFrames[6][2];
  Texture enemyWalkFrames[6][2];
  int32_t playerState{};  // FighterState
  float playerTimer{};
  Enemy enemies[kEnemySlots]{};
  int32_t waveSize{};
  Vec2 spawnPoints[kSpawnPointCount]{};
  float spawnTimer{};
  uint32_t spawnPointIndex{};
  float spawnInterval{};
  HitBox punchBoxes[2]{};
  HitBox kickBoxes[2]{};
  HitBox enemyKickBoxes[2]{};
  HitBox bodyBoxes[2]{};
  HitBox crouchBodyBoxes[2]{};
  Prng16 rng{};
  Sound punchWooshSound, punchHitSound, playerHurtSound;

  // Initialises every field (no GPU work): no mesh, no textures, three unloaded programs, the
  // scene objects at rest, an empty atlas of pixel size 50, 50 text-mesh handles; the layout
  // constants, hit boxes and spawn points are Init's (SetLayoutConstants below for tests).
  Game();
  ~Game();  // frees the dialogue and the text-mesh block (the program's game is never deleted)
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // A new game: full budget, question 1, the player idle at (540, 300), no enemies, the
  // generator at its start.
  static void Reset(Game* game);
  // Buys slot i (0-7) of the current question; a slot the question lacks does nothing.
  static void BuyChoice(Game* game, int32_t i);
  // One frame of play: input, pause, restart, the fight, buying, waves, loss.
  static void Update(Game* game, float dt);
  static void SpawnWave(Game* game);

  // Screen side (Windows).
  static void Init(Game* game);
  static void Draw(Game* game);
  static void DrawRect(Game* game, const Vec2& position, const Vec2& size, const float (&color)[4]);
  static void SortByDepth(Game* game, uint32_t* indices, uint32_t low, uint32_t high);
  static uint32_t PartitionByDepth(Game* game, uint32_t* indices, uint32_t low, uint32_t high,
                                   uint32_t pivot);
  static void DrawText(Game* game, Vec2 position, const TextLayoutParams* params,
                       const char* format, ...);
  static void DrawTextV(Game* game, Vec2 position, const TextLayoutParams* params,
                        const char* format, va_list args);
  static void OnWindowResize(Game* self, uint32_t width, uint32_t height);
  static void ResizeThunk(void* game);
  static void OnViewportResize(Game* game);
};

// Writes the constants that Init sets and the rules read: text positions, the choice boxes, the
// spawn points, the hit boxes and the floating-text positions. Init calls it; so do the tests.
void SetLayoutConstants(Game* game);
// The box test of every attack: closed ranges, so touching edges overlap.
bool RectsOverlap(const HitBox& a, const Vec2& positionA, const HitBox& b, const Vec2& positionB);
