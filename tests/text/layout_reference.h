#pragma once
// A fixed set of layouts (both fonts, every fit mode, several box widths) serialised to bytes.
// tests/data/text/layout_reference.txt holds their size and FNV-1a hash. They were first made
// by the uncached layout (metrics loaded from FreeType for every glyph, linear glyph search), so
// the cached layout is checked to give exactly the same quads; a deliberate change of layout
// renews them, with the layouts it moved (and why) named in its commit.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/text/text_test_util.h"

inline void AppendBytes(std::vector<uint8_t>* out, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out->insert(out->end(), p, p + size);
}

inline std::vector<uint8_t> LayoutReferenceBytes() {
  const std::string paragraph =
      "Bienvenue au marché : une belle maison ancienne coûte cher, mais le jardin est grand !\n"
      "Que voulez-vous acheter aujourd'hui avec votre budget de 12,50 € ? AVATAR Tw Yo\r\n"
      "passionnément extraordinaire — abracadabra, appellation, oiseaux xylophone   fin\n\n";
  const char* fonts[2] = {kGameFontPath, kKerningFontPath};
  const uint32_t widths[4] = {1080, 333, 97, 12};
  std::vector<uint8_t> out;
  for (const char* font : fonts) {
    FontAtlas atlas;
    if (!atlas.LoadFontFile(font)) return {};
    atlas.pixelSize = 30;
    for (uint32_t width : widths)
      for (int32_t mode = 0; mode <= 5; ++mode) {
        TextLayoutParams params = Params(&atlas, width, 400, mode);
        std::vector<PageMesh> meshes;
        // Lay out as the game does: bake what was missing, then once more.
        bool done = Lay(&atlas, paragraph, params, &meshes);
        for (int again = 0; !done && again < 2; ++again) {
          atlas.BakePendingGlyphs();
          done = Lay(&atlas, paragraph, params, &meshes);
        }
        out.push_back(done ? 1 : 0);
        for (const PageMesh& m : meshes) {
          const uint64_t counts[2] = {m.vertices.size(), m.indices.size()};
          AppendBytes(&out, counts, sizeof counts);
          AppendBytes(&out, m.vertices.data(), m.vertices.size() * sizeof(float));
          AppendBytes(&out, m.indices.data(), m.indices.size() * sizeof(uint32_t));
        }
      }
  }
  return out;
}

inline uint64_t Fnv1a64(const std::vector<uint8_t>& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}
