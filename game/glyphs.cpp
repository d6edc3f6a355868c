// The glyph list baked into the atlas before the first frame.
#include "app/report.h"
#include "game/dialogue.h"
#include "game/game.h"

void PrepareGlyphs(Game* game, const char* uniqueCharsPath) {
  std::vector<uint32_t> codePoints;
  EnsureUniqueChars(game, uniqueCharsPath);
  if (!ReadUniqueChars(uniqueCharsPath, &codePoints)) {
    Report("Glyph list %s: cannot be read; the dialogue's characters are used directly",
           uniqueCharsPath);
    CollectDialogueCodePoints(game, &codePoints);
  }
  // Layout takes a signed count; a glyph list beyond that is not a glyph list.
  const int32_t count = codePoints.size() > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(codePoints.size());
  TextLayoutParams params;
  // Cut toward zero; a box not yet sized (no viewport) lays out into a box of 0.
  const Vec2 box = game->choiceBoxPixelSize;
  params.maxLineWidth = box.x > 0.0f && box.x < 1e9f ? uint32_t(box.x) : 0;
  params.boxHeight = box.y > 0.0f && box.y < 1e9f ? uint32_t(box.y) : 0;
  params.atlas = &game->fontAtlas;
  params.color[0] = params.color[1] = params.color[2] = 0.0f;
  params.color[3] = 1.0f;
  params.lineFitMode = kLineFitBreakLine;
  game->fontAtlas.BakePendingGlyphs();
  if (!LayoutText(codePoints.data(), count, &params, &game->textPageMeshes)) {
    game->fontAtlas.BakePendingGlyphs();
    LayoutText(codePoints.data(), count, &params, &game->textPageMeshes);
  }
}
