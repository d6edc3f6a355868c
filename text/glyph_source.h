#pragma once
// What layout reads of a glyph at the atlas's pixel size: the measured metrics, kept per pixel
// size by the atlas so that a layout never goes back to FreeType for them.
#include <cstddef>
#include <cstdint>

#include "text/font_atlas.h"

// Metrics of atlas glyph k (FontAtlas::FindGlyphIndex); EnsureMetrics must have succeeded.
inline const GlyphMetrics& AtlasGlyphMetrics(const FontAtlas* atlas, int32_t k) {
  return atlas->metrics[size_t(k)];
}
// Metrics of the hyphen that line breaking puts in.
GlyphMetrics HyphenMetrics(FontAtlas* atlas);
// Kerning of a pair of atlas glyphs in whole pixels (0 when the face has no kerning).
int32_t KerningPixels(const FontAtlas* atlas, int32_t left, int32_t right);
