// One frame of the game on screen: the scene, the fighters in depth order, the budget and the
// floating amounts, the dialogue with its highlights, the messages and the overlays.
#include <cstdlib>

#include "app/report.h"
#include "game/dialogue.h"
#include "game/game.h"
#include "game/screen_layout.h"
#include "render/renderer.h"

// <windows.h> names DrawText as a macro; the game's DrawText is its own.
#undef DrawText

namespace {

constexpr int32_t kLineFitBreak = 2;
constexpr int32_t kLineFitBreakCentre = 4;

TextLayoutParams TextBox(Game* game, uint32_t width, uint32_t height, float r, float g, float b,
                         float a, int32_t fitMode) {
  TextLayoutParams params;
  params.maxLineWidth = width;
  params.boxHeight = height;
  params.atlas = &game->fontAtlas;
  params.color[0] = r;
  params.color[1] = g;
  params.color[2] = b;
  params.color[3] = a;
  params.lineFitMode = fitMode;
  return params;
}

void SetFullScissor(Game* game) {
  gRenderer.SetScissor(game->viewportX, game->viewportY, game->viewportX + game->viewportWidth,
                       game->viewportY + game->viewportHeight);
}

// The colour program over a quad ten times the screen, of which the scissor keeps the box.
void FillScissoredBox(Game* game, const float (&color)[4]) {
  ShaderProgram::Bind(&game->colorProgram);
  WriteShaderConstant(gCurrentProgram, "projMat", game->projMat.m, 16);
  WriteShaderConstant(gCurrentProgram, "color", color, 4);
  SceneObject big = game->rectObject;
  big.scale.x *= 10.0f;
  big.scale.y *= 10.0f;
  big.scale.z *= 10.0f;
  SceneObject::Draw(&big, &game->viewMat);
}

void DrawPixelBox(Game* game, Vec2 position, uint32_t width, uint32_t height,
                  const float (&color)[4]) {
  PixelRect box = TextBoxPixels(position, width, height, 0, 0);
  gRenderer.SetScissor(box.x0, box.y0, box.x1, box.y1);
  FillScissoredBox(game, color);
  SetFullScissor(game);
}

// Virtual units to viewport pixels, as every text position is given.
Vec2 ToPixels(const Game* game, Vec2 p) {
  return {p.x / kVirtualWidth * static_cast<float>(game->viewportWidth),
          p.y / kVirtualHeight * static_cast<float>(game->viewportHeight)};
}

void DrawFighter(Game* game, Vec2 position, int32_t state, int32_t facing, float timer,
                 bool enemy) {
  if (state < 0 || state >= kFighterStateCount) return;
  int32_t f = facing == 0 ? 0 : 1;
  const Vec2 offset = enemy ? game->enemySpriteOffsets[state][f] : game->playerSpriteOffsets[state][f];
  const Vec2 size = enemy ? game->enemySpriteSizes[state] : game->playerSpriteSizes[state];
  Texture* texture = enemy ? &game->enemySprites[state][f] : &game->playerSprites[state][f];
  if (state == kFighterWalk) {
    int32_t frame = WalkFrameIndex(timer);
    texture = enemy ? &game->enemyWalkFrames[frame][f] : &game->playerWalkFrames[frame][f];
  }
  SceneObject& sprite = game->spriteObject;
  sprite.position = {position.x + offset.x, position.y + offset.y, 1.0f};
  sprite.texture = texture;
  sprite.scale = {size.x, size.y, 1.0f};
  SceneObject::Draw(&sprite, &game->viewMat);
}

// The live amounts of one floating-text row in red r and green g, fading as their timers run down.
void DrawFloatingTexts(Game* game, const FloatingText& t, float r, float g, uint32_t baseWidth,
                       uint32_t baseHeight) {
  for (int slot = 0; slot < 3; ++slot) {
    if (!(t.timers[slot] > 0.0f)) continue;
    TextLayoutParams p = TextBox(game, baseWidth, baseHeight, r, g, 0, t.timers[slot] * 0.5f,
                                 kLineFitBreak);
    Game::DrawText(game, ToPixels(game, t.positions[slot]), &p, game->budgetFormat,
                   t.amounts[slot] / 100, t.amounts[slot] % 100);
  }
}

}  // namespace

void Game::DrawRect(Game* game, const Vec2& position, const Vec2& size, const float (&color)[4]) {
  PixelRect box = VirtualRectToPixels(position, size, game->viewportX, game->viewportY,
                                      game->viewportWidth, game->viewportHeight);
  gRenderer.SetScissor(box.x0, box.y0, box.x1, box.y1);
  FillScissoredBox(game, color);
  SetFullScissor(game);
}

void Game::Draw(Game* game) {
  // A frame that wanted more text meshes than there were makes room for all of them next frame.
  if (game->textMeshesUsed > game->textMeshCapacity && game->textMeshesUsed != 0) {
    MeshHandle* grown = MeshHandle::NewArray(uint64_t(game->textMeshesUsed) + 1);
    if (grown) {
      MeshHandle::DeleteArray(game->textMeshes);
      game->textMeshes = grown;
      game->textMeshCapacity = game->textMeshesUsed + 1;
    } else if (!game->textMeshGrowthReported) {
      // The old meshes stay; the texts past them are skipped and the growth tried again.
      Report("Game: no memory for %u text meshes; some texts are not drawn",
             game->textMeshesUsed + 1);
      game->textMeshGrowthReported = true;
    }
  }
  game->textMeshesUsed = 0;

  ShaderProgram::Bind(&game->basicFixedProgram);
  WriteShaderConstant(gCurrentProgram, "projMat", game->projMat.m, 16);
  gRenderer.Clear();
  SceneObject::Draw(&game->backgroundObject, &game->viewMat);

  // The player is always under every enemy.
  DrawFighter(game, game->playerPos, game->playerState, game->playerFacing, game->playerTimer,
              false);
  uint32_t order[kEnemySlots];
  for (uint32_t i = 0; i < kEnemySlots; ++i) order[i] = i;
  SortByDepth(game, order, 0, kEnemySlots - 1);
  for (uint32_t slot : order) {
    const Enemy& e = game->enemies[slot];
    if (e.active) DrawFighter(game, e.position, e.state, e.facing, e.timer, true);
  }

  const uint32_t baseWidth = static_cast<uint32_t>(game->choiceBoxPixelSize.x);
  const uint32_t baseHeight = static_cast<uint32_t>(game->choiceBoxPixelSize.y);
  const uint32_t messageWidth = static_cast<uint32_t>(
      static_cast<float>(game->viewportWidth) - static_cast<float>(game->viewportWidth) * 0.15625f);

  TextLayoutParams plain = TextBox(game, baseWidth, baseHeight, 0, 0, 0, 1, kLineFitBreak);
  int32_t whole, cents;
  const char* budgetFormat = BudgetFormatFor(game, game->budget, &whole, &cents);
  DrawText(game, ToPixels(game, game->budgetTextPos), &plain, budgetFormat, whole, cents);

  DrawFloatingTexts(game, game->priceTexts, 0, 0.9f, baseWidth, baseHeight);
  DrawFloatingTexts(game, game->damageTexts, 0.9f, 0, baseWidth, baseHeight);

  const Question* question = nullptr;
  if (game->questions && game->currentQuestion >= 0 &&
      static_cast<uint32_t>(game->currentQuestion) < game->questionCount) {
    question = &game->questions[game->currentQuestion];
  }
  if (question) {
    DrawText(game, ToPixels(game, game->questionTextPos), &plain, question->text);
    int32_t count = question->choiceCount;
    if (count > kMaxChoicesPerQuestion) count = kMaxChoicesPerQuestion;
    for (int32_t i = 0; i < count; ++i) {
      Vec2 at = ToPixels(game, game->choiceTextPos[i]);
      if (game->state == kGamePlaying) {
        static const float kPressed[4] = {1, 0, 0, 1};
        static const float kHovered[4] = {1, 0, 0, 0.5f};
        if (game->pressedChoice == i) DrawPixelBox(game, at, baseWidth, baseHeight, kPressed);
        else if (game->hoveredChoice == i) DrawPixelBox(game, at, baseWidth, baseHeight, kHovered);
      }
      int32_t index = question->choiceIndices[i];
      if (index < 0 || static_cast<uint32_t>(index) >= game->choiceCount) continue;
      const Choice& choice = game->choices[index];
      if (choice.price != 0) {
        int32_t rest = choice.price % 100;
        DrawText(game, at, &plain, game->choiceWithPrice, i + 1, choice.text, choice.price / 100,
                 rest < 0 ? -rest : rest);
      } else {
        DrawText(game, at, &plain, game->choiceWithoutPrice, i + 1, choice.text);
      }
    }
  }

  Vec2 messageAt = ToPixels(game, game->messageTextPos);
  if (game->affordableChoice != -1 && game->affordableChoice >= 0 &&
      static_cast<uint32_t>(game->affordableChoice) < game->choiceCount) {
    TextLayoutParams p = TextBox(game, messageWidth, 3 * baseHeight, 0, 0, 0,
                                 game->affordableTimer * 0.5f, kLineFitBreakCentre);
    DrawText(game, messageAt, &p, game->affordableItemExistsText,
             game->choices[game->affordableChoice].text);
  }

  static const float kDim[4] = {0, 0, 0, 0.5f};
  static const float kPanel[4] = {0, 0, 0, 0.9f};
  if (game->state == kGameLost) {
    FillScissoredBox(game, kDim);  // under the whole-viewport scissor the last text left
    DrawPixelBox(game, messageAt, messageWidth, baseHeight, kPanel);
    TextLayoutParams p = TextBox(game, messageWidth, baseHeight, 1, 1, 1, 1, kLineFitBreakCentre);
    DrawText(game, messageAt, &p, game->gameOverText);
  }
  if (game->state == kGameWon) {
    FillScissoredBox(game, kDim);
    DrawPixelBox(game, messageAt, messageWidth, 3 * baseHeight, kPanel);
    TextLayoutParams p = TextBox(game, messageWidth, 3 * baseHeight, 1, 1, 1, 1,
                                 kLineFitBreakCentre);
    DrawText(game, messageAt, &p, game->gameWonText, game->spent / 100, game->spent % 100);
  }
  if (game->paused) {
    static const float kPause[4] = {0, 0, 0, 0.8f};
    DrawRect(game, {100, 100}, {1080, 520}, kPause);
    TextLayoutParams p = TextBox(game, messageWidth, 10 * baseHeight, 1, 1, 1, 1, kLineFitBreak);
    DrawText(game, ToPixels(game, {game->messageTextPos.x + 50, game->messageTextPos.y - 200}), &p,
             game->helpText);
  }
}
