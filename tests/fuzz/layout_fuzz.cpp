// LayoutText over arbitrary code points, box sizes, fit modes, pixel sizes and page limits, with
// the bake-and-lay-out-again protocol the game follows. Input: u16 width, u16 height, u8 mode,
// u8 pixel size, u8 page-side shift, u8 options, then the text (UTF-8, or raw little-endian u32
// code points when options bit 0 is set).
#include <ft2build.h>
#include FT_FREETYPE_H
#include <utf8cpp/utf8.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

constexpr size_t kHeaderBytes = 8;
constexpr size_t kMaxCodePoints = 4096;

std::vector<uint32_t> DecodeText(const uint8_t* data, size_t size, bool raw) {
  std::vector<uint32_t> out;
  if (raw) {
    for (size_t i = 0; i + 4 <= size && out.size() < kMaxCodePoints; i += 4) {
      uint32_t c;
      std::memcpy(&c, data + i, 4);
      out.push_back(c);
    }
    return out;
  }
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string valid;
  utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
  utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(out));
  if (out.size() > kMaxCodePoints) out.resize(kMaxCodePoints);
  return out;
}

void CheckMeshes(const FontAtlas& atlas, const std::vector<PageMesh>& meshes) {
  if (meshes.size() != atlas.pageCount) __builtin_trap();
  for (const PageMesh& m : meshes) {
    const size_t vertices = m.vertices.size() / 8;
    if (m.vertices.size() % 8 || m.indices.size() % 6) __builtin_trap();
    for (uint32_t i : m.indices)
      if (i >= vertices) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  TextLayoutParams params;
  params.maxLineWidth = uint32_t(data[0] | (data[1] << 8));
  params.boxHeight = uint32_t(data[2] | (data[3] << 8));
  params.lineFitMode = int8_t(data[4]) % 8;  // includes unknown and negative modes
  const uint32_t pixelSize = data[5] % 100;  // 0 included: a window under 24 pixels high
  const uint32_t pageSide = 1u << (7 + data[6] % 6);  // 128 .. 4096
  const uint8_t options = data[7];
  std::vector<uint32_t> text =
      DecodeText(data + kHeaderBytes, size - kHeaderBytes, (options & 1) != 0);

  FontAtlas atlas;
  atlas.maxPageSide = pageSide;
  if (!atlas.LoadFontFile(KESTRA_SOURCE_ROOT "/data/Kestra/PatuaOne-Regular.ttf")) return 0;
  atlas.pixelSize = pixelSize;
  params.atlas = &atlas;

  std::vector<PageMesh> meshes;
  for (int attempt = 0; attempt < 3; ++attempt) {
    meshes.clear();
    if (LayoutText(text.data(), int32_t(text.size()), &params, &meshes)) break;
    CheckMeshes(atlas, meshes);
    atlas.BakePendingGlyphs();
    if (options & 2) {
      atlas.pixelSize = (pixelSize * 7) % 100;
      atlas.Rebuild();
    }
  }
  CheckMeshes(atlas, meshes);
  uint64_t glyphs = 0;
  for (uint32_t n : atlas.glyphsPerPage) glyphs += n;
  if (glyphs != atlas.glyphCount) __builtin_trap();
  FT_Done_Face(atlas.face);
  return 0;
}
