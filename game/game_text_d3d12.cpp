// Text boxes and the response to window and viewport size changes.
#include <cstdio>

#include "game/game.h"
#include "game/text_format.h"
#include "game/screen_layout.h"
#include "render/renderer.h"
#include "text/font_atlas_gpu.h"

// <windows.h> names DrawText as a macro; the game's DrawText is its own.
#undef DrawText

void Game::DrawText(Game* game, Vec2 position, const TextLayoutParams* params, const char* format,
                    ...) {
  PixelRect box = TextBoxPixels(position, params->maxLineWidth, params->boxHeight,
                                game->viewportX, game->viewportY);
  gRenderer.SetScissor(box.x0, box.y0, box.x1, box.y1);
  va_list args;
  va_start(args, format);
  DrawTextV(game, position, params, format, args);
  va_end(args);
  gRenderer.SetScissor(game->viewportX, game->viewportY, game->viewportX + game->viewportWidth,
                       game->viewportY + game->viewportHeight);
}

void Game::DrawTextV(Game* game, Vec2 position, const TextLayoutParams* params, const char* format,
                     va_list args) {
  if (!format || game->viewportWidth <= 0 || game->viewportHeight <= 0) return;
  gRenderer.SetViewport(0, 0, game->viewportWidth, game->viewportHeight);

  // Bounded: a text longer than the buffer is cut at a whole character, never written past it.
  char buffer[kTextBufferBytes];
  FormatTextV(buffer, sizeof buffer, format, args);
  uint32_t codePoints[kTextBufferBytes];
  uint32_t count = DecodeUtf8(buffer, codePoints, kTextBufferBytes);

  FontAtlas& atlas = game->fontAtlas;
  game->textPageMeshes.clear();
  if (!atlas.pendingCodePoints.empty()) atlas.BakePendingGlyphs();
  if (!LayoutText(codePoints, static_cast<int32_t>(count), params, &game->textPageMeshes)) {
    // Missing glyphs were queued: bake them and lay the text out again in this same frame.
    atlas.BakePendingGlyphs();
    game->textPageMeshes.clear();
    LayoutText(codePoints, static_cast<int32_t>(count), params, &game->textPageMeshes);
  }

  if (game->textMeshesUsed >= game->textMeshCapacity || !game->textMeshes) {
    // No mesh left this frame: counted, so the next frame makes room.
    ++game->textMeshesUsed;
    gRenderer.SetViewport(game->viewportX, game->viewportY, game->viewportWidth,
                          game->viewportHeight);
    return;
  }
  MeshHandle* mesh = &game->textMeshes[game->textMeshesUsed];
  ++game->textMeshesUsed;

  const PageMesh* page = game->textPageMeshes.empty() ? nullptr : &game->textPageMeshes[0];
  uint32_t stride = page ? static_cast<uint32_t>(VertexFormatStride(page->format)) : 0;
  uint32_t vertexCount = stride ? static_cast<uint32_t>(page->vertices.size() / stride) : 0;
  uint32_t indexCount = page ? static_cast<uint32_t>(page->indices.size() / 3 * 3) : 0;
  // An empty text makes no GPU buffer and draws nothing. The page is made again first when the
  // renderer took its slot back, so what is checked below is what the draw binds.
  if (vertexCount != 0 && indexCount != 0) EnsureAtlasTextures(&atlas);
  if (vertexCount != 0 && indexCount != 0 && !atlas.pages.empty() &&
      atlas.pages[0].slot != kNoTextureSlot) {
    MeshHandle::Upload(mesh, page->vertices.data(), vertexCount, page->indices.data(), indexCount,
                       page->format);
    float w = static_cast<float>(game->viewportWidth);
    float h = static_cast<float>(game->viewportHeight);
    const float pos[3] = {(static_cast<float>(game->viewportX) + position.x) / w * 2.0f - 1.0f,
                          (static_cast<float>(game->viewportY) + position.y) / h * 2.0f - 1.0f,
                          0.0f};
    const float scale[3] = {2.0f / w * 0.9999f, 2.0f / h * 0.9999f, 0.0f};
    ShaderProgram* previous = gCurrentProgram;
    ShaderProgram::Bind(&game->textProgram);
    WriteShaderConstant(gCurrentProgram, "pos", pos, 3);
    WriteShaderConstant(gCurrentProgram, "scale", scale, 3);
    const AtlasPage& p = atlas.pages[0];
    Texture pageTexture;
    pageTexture.slot = p.slot;
    pageTexture.sampler = p.sampler;
    pageTexture.width = p.width;
    pageTexture.height = p.height;
    pageTexture.bytesPerTexel = p.bytesPerTexel;
    pageTexture.format = p.format;
    // A page whose texture could not be made binds nothing: the text is skipped rather than
    // drawn with whatever table the last draw left.
    if (Texture::Bind(&pageTexture)) gRenderer.DrawIndexed(mesh->indexBuffer, mesh->vertexBuffer);
    if (previous) ShaderProgram::Bind(previous);
  }
  gRenderer.SetViewport(game->viewportX, game->viewportY, game->viewportWidth,
                        game->viewportHeight);
}

void Game::OnWindowResize(Game* self, uint32_t width, uint32_t height) {
  Game* game = self->self;
  // A minimised window reports 0 x 0: keep the last good size, so the next frames and the
  // restore go on at it.
  if (width == 0 || height == 0) return;
  gRenderer.Resize(static_cast<int32_t>(width), static_cast<int32_t>(height));
  game->viewportHeight = static_cast<int32_t>(height);
  game->viewportWidth = static_cast<int32_t>(width);
  game->clientWidth = game->viewportWidth;
  game->clientHeight = game->viewportHeight;
}

void Game::ResizeThunk(void* game) { OnViewportResize(static_cast<Game*>(game)); }

void Game::OnViewportResize(Game* game) {
  // The swap chain may have kept its last size (a resize it refused): draw at that one.
  if (gRenderer.ready && gRenderer.viewport.Width >= 1.0f && gRenderer.viewport.Height >= 1.0f) {
    game->viewportWidth = static_cast<int32_t>(gRenderer.viewport.Width);
    game->viewportHeight = static_cast<int32_t>(gRenderer.viewport.Height);
  }
  gRenderer.SetViewport(0, 0, game->viewportWidth, game->viewportHeight);
  game->viewportX = 0;
  game->viewportY = 0;
  FontAtlas& atlas = game->fontAtlas;
  uint32_t size = FontPixelSizeForHeight(game->viewportHeight, atlas.lineDivisor);
  if (size != atlas.pixelSize) {
    atlas.pixelSize = size;
    atlas.Rebuild();
  }
  if (!atlas.pendingCodePoints.empty()) atlas.BakePendingGlyphs();
  game->choiceBoxPixelSize =
      VirtualSizeToPixels(game->choiceBoxSize, game->viewportWidth, game->viewportHeight);
}

void NotifyWindowResize(Game* listener, int32_t width, int32_t height) {
  Game::OnWindowResize(listener, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}
