#include "text/glyph_source.h"

#include <ft2build.h>
#include FT_FREETYPE_H

GlyphMetrics HyphenMetrics(FontAtlas* atlas) {
  if (!atlas->EnsureMetrics()) return GlyphMetrics{};
  return atlas->hyphenMetrics;
}

int32_t KerningPixels(const FontAtlas* atlas, int32_t left, int32_t right) {
  FT_Face face = atlas->face;
  // Most faces (the game's among them) have no kerning table: no call at all then.
  if (!face || !FT_HAS_KERNING(face) || !face->charmap) return 0;
  FT_Vector kerning = {0, 0};
  if (FT_Get_Kerning(face, atlas->metrics[size_t(left)].glyphIndex,
                     atlas->metrics[size_t(right)].glyphIndex, FT_KERNING_DEFAULT, &kerning))
    return 0;
  return int32_t(kerning.x >> 6);
}
