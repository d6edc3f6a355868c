#pragma once
// The glyph atlas of one font face: every glyph that text layout has asked for so far, measured
// with FreeType, sorted by height and shelf-packed into 8-bit pages that grow from 128 x 128 up to
// 4096 x 4096. Glyphs are added in batches: layout queues the code points it lacks in
// `pendingCodePoints`, and one bake re-packs and re-renders every page.
//
// This part is portable: page pixels are kept here (row 0 is the bottom row on screen). The GPU
// side (text/font_atlas_gpu.h, Windows only) installs `hooks` so that each build uploads its pages
// as textures and every dropped page gives its texture slot back; until then pages hold no slot.
#include <cstdint>
#include <vector>

#include "app/math.h"
#include "render/texture.h"

typedef struct FT_FaceRec_* FT_Face;
typedef struct FT_LibraryRec_* FT_Library;

// The one FreeType library, created on first use and never released.
extern FT_Library gFreeTypeLibrary;
// Creates gFreeTypeLibrary when it does not exist yet; false (reported) when FreeType fails.
bool InitFreeType();

constexpr uint32_t kAtlasFirstPageSide = 128;
constexpr uint32_t kAtlasMaxPageSide = 4096;
constexpr uint32_t kAtlasPageFormatR8 = kTextureFormatR8;
// The font that a bake or a layout opens when none was loaded.
constexpr const char* kFallbackFontPath = "data/Murvel/PatuaOne-Regular.ttf";

// A page is a renderer Texture: one byte per texel, DXGI_FORMAT_R8_UNORM, no mips.
using AtlasPage = Texture;

struct GlyphPosition {
  uint32_t x, y;  // texel column and row of the bitmap's bottom-left corner in its page
};
struct GlyphBox {
  uint32_t width, height;  // whole pixels
};
struct GlyphBearing {
  int32_t left, bottom;  // bitmap's bottom-left corner relative to the pen, y upward
};

// What layout needs of each glyph at the atlas's pixel size, measured once per build instead of
// being loaded from FreeType on every layout. 26.6 fixed point.
struct GlyphMetrics {
  uint32_t glyphIndex;  // FreeType glyph index (0 when the font lacks the code point)
  int32_t advanceX, advanceY;
  int32_t width, height;
};

struct FontAtlas;
// Set by the GPU side. `upload` runs for every page after each build, with width x height bytes;
// `release` runs for a page record the atlas drops and must give its texture slot back.
struct AtlasPageHooks {
  void (*upload)(void* context, FontAtlas* atlas, uint32_t page, const uint8_t* pixels) = nullptr;
  void (*release)(void* context, FontAtlas* atlas, AtlasPage* page) = nullptr;
  void* context = nullptr;
};

struct FontAtlas {
  uint32_t pixelSize = 50;
  float lineDivisor = 24.0f;
  uint32_t pageCount = 0;
  uint32_t glyphCount = 0;
  // Bit 0: pages keep their sampler instead of switching to point filtering.
  uint32_t flags = 0;
  std::vector<AtlasPage> pages;
  std::vector<uint32_t> glyphsPerPage;  // consecutive runs of the glyph arrays, page 0 first
  std::vector<std::vector<uint8_t>> pagePixels;  // width x height coverage bytes per page

  // Per glyph, sorted by box height, tallest first.
  std::vector<uint32_t> codePoints;
  std::vector<GlyphPosition> positions;
  std::vector<GlyphBox> boxes;
  std::vector<GlyphBearing> bearings;
  std::vector<GlyphMetrics> metrics;
  // Glyph indices ordered by code point, for binary search.
  std::vector<uint32_t> lookup;
  // Metrics of the hyphen that line breaking puts in (it need not be in the atlas).
  GlyphMetrics hyphenMetrics = {};
  // Pixel size at which `metrics` and `hyphenMetrics` were measured (0: not measured).
  uint32_t metricsPixelSize = 0;
  // Pixel size last given to FT_Set_Pixel_Sizes on `face`, with the size's line metrics.
  uint32_t facePixelSize = 0;
  int32_t faceYPpem = 0;
  int32_t faceLineHeight = 0;  // 26.6

  std::vector<uint32_t> pendingCodePoints;

  std::vector<uint8_t> fontData;  // the whole font file; FreeType reads it in place
  FT_Face face = nullptr;
  // Set once a font could not be loaded, so the failure is reported once and not retried.
  bool fontFailed = false;

  // Pages are limited to this side (the smaller of 4096 and the renderer's maximum).
  uint32_t maxPageSide = kAtlasMaxPageSide;
  AtlasPageHooks hooks;

  // Reads the font file whole and opens face 0 from it. False (reported once) when the file is
  // missing, unreadable or not a font; text is then simply not drawn.
  bool LoadFontFile(const char* path);
  // Bakes the pending code points (loading the fallback font when none is loaded). Returns false
  // when no font is available; the pending list is emptied either way, so nothing is retried.
  bool BakePendingGlyphs();
  // Appends every pending code point as a glyph, measures it, sorts and builds the pages.
  void AddPendingGlyphs();
  // Re-measures every glyph at the current pixel size and builds the pages again.
  void Rebuild();
  void SortGlyphsByHeight(uint32_t low, uint32_t high);
  uint32_t PartitionGlyphsByHeight(uint32_t low, uint32_t high, uint32_t pivot);
  // Packs, renders and uploads all pages and empties `pendingCodePoints`.
  void BuildPages();

  // Index of the glyph of a code point, or -1.
  int32_t FindGlyphIndex(uint32_t codePoint) const;
  // False (outputs untouched) when the code point has no glyph in the atlas.
  bool FindGlyph(uint32_t codePoint, uint32_t* page, Vec2* uv, Vec2* uvSize, Vec2* bearing) const;
  // True when the code point is in the atlas or already queued.
  bool IsKnownOrPending(uint32_t codePoint) const;
  // Makes `face` usable: loads the fallback font when none is loaded (once; a failure is
  // reported once). False when there is no font.
  bool EnsureFont();
  // Sets the face to `pixelSize` (only when it is not set already) and keeps its line metrics.
  void SetFaceSize();
  // Makes `metrics` and `hyphenMetrics` current for `pixelSize`; false without a face.
  bool EnsureMetrics();
};

// Copies a rendered glyph (rows `width` bytes apart, top row first) into a page bottom row first,
// ORing coverage and skipping texels outside the page.
void BlitGlyph(const uint8_t* bitmap, uint32_t width, uint32_t rows, int32_t x, int32_t y,
               uint8_t* page, uint32_t pageWidth, uint32_t pageHeight);
