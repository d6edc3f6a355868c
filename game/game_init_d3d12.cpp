// Loading everything the game needs before its first frame, in a fixed order: the texture slots
// are handed out in load order, and the dialogue comes last because its glyphs go into the atlas.
#include <cstdio>

#include "app/report.h"
#include "audio/audio_engine.h"
#include "game/dialogue.h"
#include "game/game.h"
#include "game/screen_layout.h"
#include "render/renderer.h"
#include "text/font_atlas_gpu.h"

// <windows.h> names DrawText as a macro; the game's DrawText is its own.
#undef DrawText

namespace {

const char* const kImageFolder = "data/Kestra/images/";

void LoadImage(Texture* texture, const char* name) {
  char path[256];
  std::snprintf(path, sizeof path, "%s%s", kImageFolder, name);
  // A missing or broken image is reported by the loader and leaves the texture empty: the
  // sprite then draws nothing.
  Texture::Load(texture, path);
}

// Loads the left and right images of one sprite row and sets its size and offsets.
void LoadRow(Texture (&row)[2], Vec2* size, Vec2 (&offsets)[2], const char* left,
             const char* right, Vec2 rowSize, Vec2 leftOffset, Vec2 rightOffset) {
  LoadImage(&row[0], left);
  LoadImage(&row[1], right);
  *size = rowSize;
  offsets[0] = leftOffset;
  offsets[1] = rightOffset;
}

void BuildProgram(ShaderProgram* program, const char* path, int32_t vertexFormat,
                  const ShaderConstant* constants, uint32_t count) {
  ShaderProgram::CompileFile(program, path);
  ShaderProgram::SetupInputLayout(program, vertexFormat, constants, count);
  ShaderProgram::CreatePipelineStates(program);
}

// A fighter's six walk frames, left and right: <folder>/left/N.png and <folder>/right/N.png.
void LoadWalkFrames(Texture (&frames)[6][2], const char* folder) {
  for (int frame = 0; frame < 6; ++frame) {
    char left[64], right[64];
    std::snprintf(left, sizeof left, "%s/left/%d.png", folder, frame + 1);
    std::snprintf(right, sizeof right, "%s/right/%d.png", folder, frame + 1);
    LoadImage(&frames[frame][0], left);
    LoadImage(&frames[frame][1], right);
  }
}

}  // namespace

void Game::Init(Game* game) {
  static const ShaderConstant kBasicConstants[] = {{"mvMat", 0, 16}, {"projMat", 0, 16}};
  static const ShaderConstant kTextConstants[] = {{"pos", 0, 3}, {"scale", 0, 3}};
  static const ShaderConstant kColorConstants[] = {
      {"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}};
  BuildProgram(&game->basicFixedProgram, "data/Kestra/shaders/basic-fixed", 0, kBasicConstants, 2);
  BuildProgram(&game->textProgram, "data/Kestra/shaders/text", 8, kTextConstants, 2);
  BuildProgram(&game->colorProgram, "data/Kestra/shaders/color", 0, kColorConstants, 3);

  gRenderer.AddResizeCallback(Game::ResizeThunk, game);

  InitFreeType();
  FontAtlas& atlas = game->fontAtlas;
  UseGpuTextures(&atlas);
  atlas.LoadFontFile("data/Kestra/PatuaOne-Regular.ttf");
  atlas.lineDivisor = 24.0f;
  atlas.pixelSize = FontPixelSizeForHeight(game->viewportHeight, atlas.lineDivisor);

  MeshHandle::LoadQuadMesh(&game->quadMesh);

  // Images, in the order that hands out their texture slots.
  const Vec2 standing = {120, 274.45544f};
  const Vec2 zero = {0, 0};
  LoadRow(game->playerSprites[kFighterIdle], &game->playerSpriteSizes[kFighterIdle],
          game->playerSpriteOffsets[kFighterIdle], "walk/left/1.png", "walk/right/1.png", standing,
          zero, zero);
  LoadWalkFrames(game->playerWalkFrames, "walk");
  game->playerSpriteSizes[kFighterWalk] = standing;
  game->playerSpriteOffsets[kFighterWalk][0] = zero;
  game->playerSpriteOffsets[kFighterWalk][1] = zero;
  LoadRow(game->playerSprites[kFighterCrouch], &game->playerSpriteSizes[kFighterCrouch],
          game->playerSpriteOffsets[kFighterCrouch], "crouch/left.png", "crouch/right.png",
          {120, 184.75247f}, zero, zero);
  LoadRow(game->playerSprites[kFighterPunch], &game->playerSpriteSizes[kFighterPunch],
          game->playerSpriteOffsets[kFighterPunch], "punch/left.png", "punch/right.png",
          {200, 262.97375f}, {-40, 0}, {-40, 0});
  LoadRow(game->playerSprites[kFighterKick], &game->playerSpriteSizes[kFighterKick],
          game->playerSpriteOffsets[kFighterKick], "kick/left.png", "kick/right.png",
          {200, 265.87537f}, {-60, 0}, {-20, 0});
  LoadRow(game->playerSprites[kFighterHurt], &game->playerSpriteSizes[kFighterHurt],
          game->playerSpriteOffsets[kFighterHurt], "hurt/left.png", "hurt/right.png", standing,
          zero, zero);
  LoadRow(game->playerSprites[kFighterDead], &game->playerSpriteSizes[kFighterDead],
          game->playerSpriteOffsets[kFighterDead], "dead/left.png", "dead/right.png",
          {274, 108.694214f}, zero, {-240, 0});

  // The enemy walks and dies like the player: the same rows, the dead image on the same slot.
  for (int f = 0; f < 2; ++f) {
    game->enemySprites[kFighterWalk][f] = game->playerSprites[kFighterWalk][f];
    game->enemySprites[kFighterDead][f] = game->playerSprites[kFighterDead][f];
    game->enemySpriteOffsets[kFighterWalk][f] = game->playerSpriteOffsets[kFighterWalk][f];
    game->enemySpriteOffsets[kFighterDead][f] = game->playerSpriteOffsets[kFighterDead][f];
  }
  for (int s = 0; s < kFighterStateCount; ++s) game->enemySpriteSizes[s] = game->playerSpriteSizes[s];

  LoadWalkFrames(game->enemyWalkFrames, "walk/enemy");
  LoadRow(game->enemySprites[kFighterKick], &game->enemySpriteSizes[kFighterKick],
          game->enemySpriteOffsets[kFighterKick], "kick/enemy/left.png", "kick/enemy/right.png",
          standing, zero, zero);
  LoadRow(game->enemySprites[kFighterHurt], &game->enemySpriteSizes[kFighterHurt],
          game->enemySpriteOffsets[kFighterHurt], "hurt/enemy/left.png", "hurt/enemy/right.png",
          standing, zero, zero);
  LoadRow(game->enemySprites[kFighterIdle], &game->enemySpriteSizes[kFighterIdle],
          game->enemySpriteOffsets[kFighterIdle], "walk/enemy/left/1.png",
          "walk/enemy/right/1.png", standing, zero, zero);
  LoadRow(game->enemySprites[kFighterPunch], &game->enemySpriteSizes[kFighterPunch],
          game->enemySpriteOffsets[kFighterPunch], "punch/enemy/left.png",
          "punch/enemy/right.png", {200, 262.97375f}, {-40, 0}, {-40, 0});
  LoadRow(game->enemySprites[kFighterCrouch], &game->enemySpriteSizes[kFighterCrouch],
          game->enemySpriteOffsets[kFighterCrouch], "crouch/enemy/left.png",
          "crouch/enemy/right.png", {120, 184.75247f}, zero, zero);
  if (!Texture::Load(&game->blackPixelTexture, "data/Kestra/blackpixel.bmp")) {
    // Reported by the loader. The colour program never samples it, but a rectangle draws only
    // with a texture bound: one black texel made here keeps the panels and highlights.
    static const uint8_t kBlack[4] = {0, 0, 0, 255};
    game->blackPixelTexture.width = 1;
    game->blackPixelTexture.height = 1;
    game->blackPixelTexture.bytesPerTexel = 4;
    game->blackPixelTexture.format = kTextureFormatRgba8;
    Texture::Create(&game->blackPixelTexture, kBlack, kTextureLevelOnly);
  }

  if (gAudioEngine) gAudioEngine->SetGlobalVolume(1.0f);
  // A sound that is missing or cannot be decoded stays silent (reported by the loader).
  game->punchWooshSound.LoadFile("data/Kestra/sounds/punchwoosh.ogg");
  game->punchHitSound.LoadFile("data/Kestra/sounds/punchhit.ogg");
  game->playerHurtSound.LoadFile("data/Kestra/sounds/playerhurt.ogg");

  Texture::Load(&game->backgroundTexture, "data/Kestra/images/bg.png");

  const Quat still = {0, 0, 0, 1};
  game->backgroundObject = {&game->quadMesh, &game->backgroundTexture, {0, 220, -2},
                            {1280, 500, 1}, still, {0, 0, 0}};
  game->spriteObject = {&game->quadMesh, &game->emptyTexture, {2, 2, -2}, {120, 240, 1}, still,
                        {0, 0, 0}};
  game->rectObject = {&game->quadMesh, &game->blackPixelTexture, {-100, -100, -1},
                      {1280, 720, 1}, still, {0, 0, 0}};
  game->viewMat = IdentityMat4();
  game->projMat = VirtualScreenProjection();
  SetLayoutConstants(game);

  LoadDialogue(game, kMenuPath);
  PrepareGlyphs(game, kUniqueCharsPath);
}
