#include "text/text_layout.h"

#include <algorithm>
#include <unordered_set>

#include "app/report.h"
#include "text/font_atlas.h"
#include "text/glyph_source.h"
#include "text/line_fit.h"

namespace {

// Pixel coordinates are kept within +-2^24 so that their 26.6 forms (and the handlers' sums of
// them) stay inside 32 bits whatever the box size or text length.
constexpr int64_t kCoordinateLimit = int64_t(1) << 24;

int64_t ClampCoordinate(int64_t v) {
  return std::min(std::max(v, -kCoordinateLimit), kCoordinateLimit);
}

bool IsLineBreak(uint32_t c) { return c == '\n' || c == '\r'; }

// Queues every code point from `from` on that the atlas lacks, each once, in text order.
void QueueMissing(FontAtlas* atlas, const uint32_t* codePoints, int32_t from, int32_t count) {
  std::unordered_set<uint32_t> queued(atlas->pendingCodePoints.begin(),
                                      atlas->pendingCodePoints.end());
  for (int32_t i = from; i < count; ++i) {
    const uint32_t c = codePoints[i];
    if (IsLineBreak(c) || atlas->FindGlyphIndex(c) >= 0 || !queued.insert(c).second) continue;
    atlas->pendingCodePoints.push_back(c);
  }
}

// The number of spaces that end the line's first `count` glyphs and do not end inside the box
// (the line's first glyph always stays). Where lines break at spaces these leave the line with
// the break space, so they take no width in alignment or justification.
uint32_t TrailingSpacesPastTheBox(const uint32_t* lineCodePoints, const LaidOutGlyph* line,
                                  uint32_t count, int64_t maxLineWidth) {
  uint32_t k = count;
  while (k > 1 && lineCodePoints[k - 1] == ' ' &&
         int64_t(line[k - 1].x >> 6) + (line[k - 1].advance >> 6) > maxLineWidth)
    --k;
  return count - k;
}

}  // namespace

void PageMesh::ConvertToFormat8() {
  if (format == kTextVertexFormat) return;
  const int32_t stride = VertexFormatStride(format);
  std::vector<float> out;
  if (stride > 0) {
    const size_t count = vertices.size() / size_t(stride);
    out.assign(count * 8, 0.0f);
    const int32_t position = kVertexFormats.positionOffset[format];
    const int32_t uv = kVertexFormats.uvOffset[format];
    const int32_t color = kVertexFormats.colorOffset[format];
    for (size_t v = 0; v < count; ++v) {
      const float* src = &vertices[v * size_t(stride)];
      float* dst = &out[v * 8];
      // Each copy stays inside the source vertex: a 2-D position has only two floats.
      if (position >= 0)
        for (int32_t c = 0; c < 3 && position + c < stride; ++c) dst[c] = src[position + c];
      if (uv >= 0)
        for (int32_t c = 0; c < 2 && uv + c < stride; ++c) dst[2 + c] = src[uv + c];
      if (color >= 0 && kVertexFormats.colorComponents[format] >= 3)
        for (int32_t c = 0; c < 3 && color + c < stride; ++c) dst[4 + c] = src[color + c];
    }
  }
  vertices.swap(out);
  format = kTextVertexFormat;
}

void AppendGlyphQuads(const uint32_t* lineCodePoints, const LaidOutGlyph* glyphs, uint32_t count,
                      std::vector<PageMesh>* meshes, const float* color) {
  for (size_t p = 0; p < meshes->size(); ++p) {
    PageMesh& mesh = (*meshes)[p];
    uint32_t quads = 0;
    for (uint32_t k = 0; k < count; ++k)
      quads += glyphs[k].page == p && !IsLineBreak(lineCodePoints[k]);
    if (quads == 0) continue;
    mesh.ConvertToFormat8();
    const size_t stride = size_t(VertexFormatStride(kTextVertexFormat));
    const int32_t positionOffset = kVertexFormats.positionOffset[kTextVertexFormat];
    const int32_t uvOffset = kVertexFormats.uvOffset[kTextVertexFormat];
    const int32_t colorOffset = kVertexFormats.colorOffset[kTextVertexFormat];
    const int32_t colorComponents = kVertexFormats.colorComponents[kTextVertexFormat];
    uint32_t b = uint32_t(mesh.vertices.size() / stride);
    mesh.vertices.resize((size_t(b) + 4 * size_t(quads)) * stride);
    size_t t = mesh.indices.size() / 3 * 3;
    mesh.indices.resize(t + 6 * size_t(quads));
    for (uint32_t k = 0; k < count; ++k) {
      const LaidOutGlyph& g = glyphs[k];
      if (g.page != p || IsLineBreak(lineCodePoints[k])) continue;
      const float x0 = float(g.x >> 6) + g.bearing.x;
      const float y0 = float(g.y >> 6) + g.bearing.y;
      const float w = float(g.width >> 6), h = float(g.height >> 6);
      const float corners[4][4] = {
          {x0, y0, g.uv.x, g.uv.y},
          {x0, y0 + h, g.uv.x, g.uv.y + g.uvSize.y},
          {x0 + w, y0, g.uv.x + g.uvSize.x, g.uv.y},
          {x0 + w, y0 + h, g.uv.x + g.uvSize.x, g.uv.y + g.uvSize.y},
      };
      for (uint32_t c = 0; c < 4; ++c) {
        float* v = &mesh.vertices[(size_t(b) + c) * stride];
        v[positionOffset] = corners[c][0];
        v[positionOffset + 1] = corners[c][1];
        v[uvOffset] = corners[c][2];
        v[uvOffset + 1] = corners[c][3];
        for (int32_t i = 0; i < colorComponents && i < 4; ++i) v[colorOffset + i] = color[i];
      }
      const uint32_t quad[6] = {b, b + 2, b + 1, b + 1, b + 2, b + 3};
      std::copy(quad, quad + 6, mesh.indices.begin() + t);
      b += 4;
      t += 6;
    }
  }
}

bool LayoutText(const uint32_t* codePoints, int32_t count, const TextLayoutParams* params,
                std::vector<PageMesh>* meshes) {
  if (!params || !params->atlas || !meshes) {
    Report("Text: LayoutText called without parameters, atlas or meshes");
    return false;
  }
  FontAtlas* atlas = params->atlas;
  meshes->resize(atlas->pageCount);
  for (PageMesh& mesh : *meshes) mesh.ConvertToFormat8();
  if (!codePoints || count < 0) count = 0;
  // Without a font (reported once when it failed to load) the text is simply not drawn.
  if (!InitFreeType() || !atlas->EnsureFont() || !atlas->EnsureMetrics()) return true;
  const size_t pendingBefore = atlas->pendingCodePoints.size();

  const LayoutBox box = {0, 0, int32_t(ClampCoordinate(params->maxLineWidth)),
                         int32_t(ClampCoordinate(params->boxHeight))};
  const float maxLineWidth = float(params->maxLineWidth);
  const int64_t lineHeight = atlas->faceLineHeight >> 6;
  const LineFitHandlers handlers = HandlersForMode(params->lineFitMode);

  // The line grows as needed, so a line of any length is held whole.
  std::vector<uint32_t> lineCodePoints;
  std::vector<LaidOutGlyph> line;
  std::vector<int32_t> lineIndices;  // text index of each line glyph
  const size_t reserve = size_t(std::min(count, 256));
  lineCodePoints.reserve(reserve);
  line.reserve(reserve);
  lineIndices.reserve(reserve);

  int64_t baseline = ClampCoordinate(int64_t(box.top) - atlas->faceYPpem);
  int64_t penX = 0;
  int32_t previousGlyph = -1;  // atlas glyph to kern against: none at a line start or after a CR
  // A paragraph's last line: spaces past the box go, then the mode's paragraph-end handler.
  auto paragraphLineCount = [&]() {
    uint32_t n = uint32_t(line.size());
    if (handlers.breaksAtSpaces)
      n -= TrailingSpacesPastTheBox(lineCodePoints.data(), line.data(), n, params->maxLineWidth);
    if (handlers.paragraphEnd)
      handlers.paragraphEnd(lineCodePoints.data(), line.data(), n, atlas, box);
    return n;
  };
  auto finishLine = [&](uint32_t lineCount) {
    baseline = ClampCoordinate(baseline - lineHeight);
    penX = 0;
    previousGlyph = -1;
    AppendGlyphQuads(lineCodePoints.data(), line.data(), lineCount, meshes, params->color);
    lineCodePoints.clear();
    line.clear();
    lineIndices.clear();
  };
  int32_t i = 0;
  while (i < count) {
    const uint32_t c = codePoints[i];
    // A CR takes no place in the line: CR LF ends a line as LF alone does, and a lone CR is
    // dropped, so neither counts as a glyph for fitting or alignment.
    if (c == '\r') {
      previousGlyph = -1;
      ++i;
      continue;
    }
    const uint32_t n = uint32_t(line.size());
    if (c == '\n') {
      finishLine(paragraphLineCount());
      ++i;
      continue;
    }
    LaidOutGlyph g = {};
    g.x = int32_t(penX * 64);
    g.y = int32_t(baseline * 64);
    const int32_t k = atlas->FindGlyphIndex(c);
    if (k < 0 || !atlas->FindGlyph(c, &g.page, &g.uv, &g.uvSize, &g.bearing)) {
      QueueMissing(atlas, codePoints, i, count);
      return false;
    }
    if (n > 0 && previousGlyph >= 0) {
      penX = ClampCoordinate(penX + KerningPixels(atlas, previousGlyph, k));
      g.x = int32_t(penX * 64);
    }
    const GlyphMetrics& m = AtlasGlyphMetrics(atlas, k);
    g.advance = m.advanceX;
    g.width = m.width;
    g.height = m.height;
    lineCodePoints.push_back(c);
    line.push_back(g);
    lineIndices.push_back(i);
    previousGlyph = k;

    // Where lines break at spaces a space never overflows: the glyph after it does, and the
    // break then falls on the space, so the next line does not start with it.
    bool overflow = false;
    if (n > 0 && !(c == ' ' && handlers.breaksAtSpaces)) {
      const float pageWidth = atlas->pages[g.page].width;
      overflow = float(penX) + g.uvSize.x * pageWidth > maxLineWidth;
    }
    if (overflow) {
      // The handler sees the line end at the first space past the box, its break space; the
      // spaces after that one are dropped with it, and the glyph that did not fit follows.
      uint32_t end = n;
      if (handlers.breaksAtSpaces) {
        const uint32_t past =
            TrailingSpacesPastTheBox(lineCodePoints.data(), line.data(), n, params->maxLineWidth);
        if (past > 1) end = n - past + 1;
      }
      uint32_t lineCount = end;
      int32_t rewind = 0;
      handlers.line(lineCodePoints.data(), line.data(), &lineCount, atlas, &rewind, box);
      lineCount = std::min(lineCount, end);
      // The line position the next line starts at (end: the glyph that did not fit). Every line
      // must consume at least one glyph, or layout would never end.
      const int64_t resume = int64_t(end) + rewind;
      int32_t next = i;
      if (resume <= 0 || resume > int64_t(end))
        lineCount = end;
      else if (resume < int64_t(end))
        next = lineIndices[size_t(resume)];
      finishLine(lineCount);
      i = next;
      continue;
    }
    penX = ClampCoordinate(penX + (g.advance >> 6));
    baseline = ClampCoordinate(baseline + (m.advanceY >> 6));
    ++i;
  }
  AppendGlyphQuads(lineCodePoints.data(), line.data(), paragraphLineCount(), meshes, params->color);
  // A hyphen that line breaking needed but the atlas lacks was queued: lay out again after a bake.
  return atlas->pendingCodePoints.size() == pendingBefore;
}
