#pragma once
// Helpers shared by the text tests: atlases over the game's font and UTF-8 decoding.
#include <utf8cpp/utf8.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/font_atlas.h"
#include "text/text_layout.h"

constexpr const char* kGameFontPath = "data/Kestra/PatuaOne-Regular.ttf";
// Debian's fonts-dejavu-core: a font with a legacy kern table (the game's font keeps its kerning
// in GPOS only, which this layout does not read).
constexpr const char* kKerningFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

inline std::vector<uint32_t> Decode(const std::string& utf8) {
  std::vector<uint32_t> out;
  utf8::utf8to32(utf8.begin(), utf8.end(), std::back_inserter(out));
  return out;
}

inline void Queue(FontAtlas* atlas, const std::string& utf8) {
  for (uint32_t c : Decode(utf8)) atlas->pendingCodePoints.push_back(c);
}

// Loads a font at a pixel size and bakes the given characters.
inline bool MakeAtlas(FontAtlas* atlas, const char* path, uint32_t pixelSize,
                      const std::string& characters) {
  if (!atlas->LoadFontFile(path)) return false;
  atlas->pixelSize = pixelSize;
  Queue(atlas, characters);
  return atlas->BakePendingGlyphs();
}

inline TextLayoutParams Params(FontAtlas* atlas, uint32_t width, uint32_t height, int32_t mode) {
  TextLayoutParams p;
  p.maxLineWidth = width;
  p.boxHeight = height;
  p.atlas = atlas;
  p.lineFitMode = mode;
  return p;
}

// One drawn glyph quad: its lower-left and upper-right corners in box pixels.
struct Quad {
  float x0, y0, x1, y1;
};

inline std::vector<Quad> Quads(const std::vector<PageMesh>& meshes) {
  std::vector<Quad> out;
  for (const PageMesh& m : meshes)
    for (size_t v = 0; v + 32 <= m.vertices.size(); v += 32)
      out.push_back({m.vertices[v], m.vertices[v + 1], m.vertices[v + 24], m.vertices[v + 25]});
  return out;
}

inline bool Lay(FontAtlas* atlas, const std::string& text, const TextLayoutParams& params,
                std::vector<PageMesh>* meshes) {
  meshes->clear();
  std::vector<uint32_t> cps = Decode(text);
  return LayoutText(cps.data(), int32_t(cps.size()), &params, meshes);
}
