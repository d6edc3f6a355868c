#include "text/font_atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>

#include "app/files.h"
#include "app/report.h"

FT_Library gFreeTypeLibrary = nullptr;

bool InitFreeType() {
  if (gFreeTypeLibrary) return true;
  FT_Error error = FT_Init_FreeType(&gFreeTypeLibrary);
  if (error) {
    Report("Text: FreeType could not be initialised (error %d); no text will be drawn", error);
    gFreeTypeLibrary = nullptr;
    return false;
  }
  return true;
}

// FreeType keeps pointers into the bytes, so they live in the atlas for as long as the face.
bool FontAtlas::LoadFontFile(const char* path) {
  if (!InitFreeType()) return false;
  FileBytes file;
  if (!ReadWholeFile(path, &file) || file.Size() == 0) {
    Report("Text: cannot read font file '%s'", path);
    return false;
  }
  if (file.Size() > 0x7FFFFFFFu) {
    Report("Text: font file '%s' is too large", path);
    return false;
  }
  FT_Face newFace = nullptr;
  FT_Error error = FT_New_Memory_Face(gFreeTypeLibrary, file.Bytes(), FT_Long(file.Size()), 0,
                                      &newFace);
  if (error || !newFace) {
    Report("Text: font file '%s' is not a usable font (FreeType error %d)", path, error);
    return false;
  }
  if (face) FT_Done_Face(face);
  face = newFace;
  fontData = std::move(file.data);
  fontFailed = false;
  facePixelSize = 0;
  metricsPixelSize = 0;
  return true;
}

bool FontAtlas::EnsureFont() {
  if (face) return true;
  if (fontFailed) return false;
  if (!LoadFontFile(kFallbackFontPath)) {
    fontFailed = true;
    return false;
  }
  return true;
}

void FontAtlas::SetFaceSize() {
  if (!face || facePixelSize == pixelSize) return;
  FT_Set_Pixel_Sizes(face, pixelSize, 0);
  facePixelSize = pixelSize;
  faceYPpem = face->size ? face->size->metrics.y_ppem : 0;
  faceLineHeight = face->size ? int32_t(face->size->metrics.height) : 0;
}

// The glyph FT_Load_Char would load: the charmap's index, or the code point itself when the face
// has no charmap; an index past the font's glyphs counts as 0 (the missing-glyph box).
static uint32_t GlyphIndexOf(FT_Face face, uint32_t codePoint) {
  uint32_t index = face->charmap ? FT_Get_Char_Index(face, codePoint) : codePoint;
  return index < uint32_t(face->num_glyphs) ? index : 0;
}

// Loads a glyph's metrics at the face's current size. A glyph FreeType cannot load measures as
// empty rather than inheriting the previous glyph's metrics.
static bool MeasureGlyph(FT_Face face, uint32_t codePoint, GlyphMetrics* out) {
  out->glyphIndex = GlyphIndexOf(face, codePoint);
  if (FT_Load_Glyph(face, out->glyphIndex, FT_LOAD_DEFAULT)) {
    out->advanceX = out->advanceY = out->width = out->height = 0;
    return false;
  }
  const FT_GlyphSlot slot = face->glyph;
  out->advanceX = int32_t(slot->advance.x);
  out->advanceY = int32_t(slot->advance.y);
  out->width = int32_t(slot->metrics.width);
  out->height = int32_t(slot->metrics.height);
  return true;
}

static GlyphBox BoxOf(const GlyphMetrics& m) {
  // Whole pixels by arithmetic shift; a negative size from a broken font counts as empty.
  return {uint32_t(std::max(m.width >> 6, 0)), uint32_t(std::max(m.height >> 6, 0))};
}

bool FontAtlas::EnsureMetrics() {
  if (!face) return false;
  SetFaceSize();
  if (metricsPixelSize == pixelSize && metrics.size() == glyphCount) return true;
  metrics.resize(glyphCount);
  for (uint32_t k = 0; k < glyphCount; ++k) MeasureGlyph(face, codePoints[k], &metrics[k]);
  MeasureGlyph(face, '-', &hyphenMetrics);
  metricsPixelSize = pixelSize;
  return true;
}

bool FontAtlas::BakePendingGlyphs() {
  if (pendingCodePoints.empty()) return true;
  if (!EnsureFont()) {
    // Nothing can be baked without a font; dropping the queue keeps callers from retrying.
    pendingCodePoints.clear();
    return false;
  }
  AddPendingGlyphs();
  return true;
}

int32_t FontAtlas::FindGlyphIndex(uint32_t codePoint) const {
  auto it = std::lower_bound(lookup.begin(), lookup.end(), codePoint,
                             [this](uint32_t k, uint32_t cp) { return codePoints[k] < cp; });
  if (it == lookup.end() || codePoints[*it] != codePoint) return -1;
  return int32_t(*it);
}

bool FontAtlas::IsKnownOrPending(uint32_t codePoint) const {
  if (FindGlyphIndex(codePoint) >= 0) return true;
  return std::find(pendingCodePoints.begin(), pendingCodePoints.end(), codePoint) !=
         pendingCodePoints.end();
}

bool FontAtlas::FindGlyph(uint32_t codePoint, uint32_t* page, Vec2* uv, Vec2* uvSize,
                          Vec2* bearing) const {
  int32_t k = FindGlyphIndex(codePoint);
  if (k < 0) return false;
  uint32_t p = 0;
  uint64_t sum = 0;
  for (; p < pageCount; ++p) {
    sum += glyphsPerPage[p];
    if (sum > uint64_t(k)) break;
  }
  if (p >= pageCount) return false;  // glyph queued but its pages are not built yet
  const float w = pages[p].width, h = pages[p].height;
  *page = p;
  *uv = {float(positions[k].x) / w, float(positions[k].y) / h};
  *uvSize = {float(boxes[k].width) / w, float(boxes[k].height) / h};
  *bearing = {float(bearings[k].left), float(bearings[k].bottom)};
  return true;
}

static void RebuildLookup(FontAtlas* atlas) {
  atlas->lookup.resize(atlas->glyphCount);
  for (uint32_t k = 0; k < atlas->glyphCount; ++k) atlas->lookup[k] = k;
  const std::vector<uint32_t>& cps = atlas->codePoints;
  std::sort(atlas->lookup.begin(), atlas->lookup.end(),
            [&cps](uint32_t a, uint32_t b) { return cps[a] < cps[b]; });
}

void FontAtlas::AddPendingGlyphs() {
  if (!face) {
    pendingCodePoints.clear();
    return;
  }
  SetFaceSize();
  // Metrics already measured stay valid only when they were measured at this size.
  const bool oldMetricsValid =
      glyphCount == 0 || (metricsPixelSize == pixelSize && metrics.size() == glyphCount);
  uint32_t failed = 0;
  for (uint32_t cp : pendingCodePoints) {
    // Line breaks never get glyphs, and a code point is stored once however often it was queued.
    if (cp == '\n' || cp == '\r' || FindGlyphIndex(cp) >= 0) continue;
    if (std::find(codePoints.begin() + glyphCount, codePoints.end(), cp) != codePoints.end())
      continue;
    GlyphMetrics m;
    if (!MeasureGlyph(face, cp, &m)) ++failed;
    codePoints.push_back(cp);
    positions.push_back({0, 0});
    boxes.push_back(BoxOf(m));
    bearings.push_back({0, 0});
    metrics.resize(codePoints.size() - 1);
    metrics.push_back(m);
  }
  if (failed) Report("Text: %u glyphs could not be loaded from the font", failed);
  glyphCount = uint32_t(codePoints.size());
  if (oldMetricsValid) {
    MeasureGlyph(face, '-', &hyphenMetrics);
    metricsPixelSize = pixelSize;
  } else {
    metricsPixelSize = 0;
  }
  if (glyphCount > 1) SortGlyphsByHeight(0, glyphCount - 1);
  RebuildLookup(this);
  BuildPages();
}

void FontAtlas::Rebuild() {
  if (glyphCount == 0 || !face) return;
  SetFaceSize();
  metrics.resize(glyphCount);
  uint32_t failed = 0;
  for (uint32_t k = 0; k < glyphCount; ++k) {
    if (!MeasureGlyph(face, codePoints[k], &metrics[k])) ++failed;
    positions[k] = {0, 0};
    boxes[k] = BoxOf(metrics[k]);
  }
  if (failed) Report("Text: %u glyphs could not be loaded from the font", failed);
  MeasureGlyph(face, '-', &hyphenMetrics);
  metricsPixelSize = pixelSize;
  if (glyphCount > 1) SortGlyphsByHeight(0, glyphCount - 1);
  RebuildLookup(this);
  BuildPages();
}

static void SwapGlyphs(FontAtlas* a, uint32_t i, uint32_t j) {
  if (i == j) return;
  std::swap(a->codePoints[i], a->codePoints[j]);
  std::swap(a->positions[i], a->positions[j]);
  std::swap(a->boxes[i], a->boxes[j]);
  std::swap(a->bearings[i], a->bearings[j]);
  if (a->metrics.size() == a->codePoints.size()) std::swap(a->metrics[i], a->metrics[j]);
}

// Lomuto partition, tallest first; glyphs as tall as the pivot stay on its right.
uint32_t FontAtlas::PartitionGlyphsByHeight(uint32_t low, uint32_t high, uint32_t pivot) {
  SwapGlyphs(this, pivot, high);
  const uint32_t pivotHeight = boxes[high].height;
  uint32_t store = low;
  for (uint32_t j = low; j < high; ++j) {
    if (boxes[j].height > pivotHeight) {
      SwapGlyphs(this, j, store);
      ++store;
    }
  }
  SwapGlyphs(this, store, high);
  return store;
}

void FontAtlas::SortGlyphsByHeight(uint32_t low, uint32_t high) {
  while (low < high) {
    uint32_t p = PartitionGlyphsByHeight(low, high, low + (high - low) / 2);
    if (p != low) SortGlyphsByHeight(low, p - 1);
    if (p + 1 >= high) break;
    low = p + 1;
  }
}

void BlitGlyph(const uint8_t* bitmap, uint32_t width, uint32_t rows, int32_t x, int32_t y,
               uint8_t* page, uint32_t pageWidth, uint32_t pageHeight) {
  for (uint32_t r = 0; r < rows; ++r) {
    const int64_t dy = int64_t(y) + r;
    if (dy < 0 || dy >= int64_t(pageHeight)) continue;
    const uint8_t* src = bitmap + size_t(rows - 1 - r) * width;
    uint8_t* dst = page + size_t(dy) * pageWidth;
    for (uint32_t c = 0; c < width; ++c) {
      const int64_t dx = int64_t(x) + c;
      if (dx < 0 || dx >= int64_t(pageWidth)) continue;
      dst[dx] |= src[c];
    }
  }
}
