#include "text/line_fit.h"

#include "text/font_atlas.h"
#include "text/glyph_source.h"

bool IsHyphenationVowel(uint32_t c) {
  switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u': case 'y':
    case 0xE0: case 0xE2: case 0xE6: case 0xE8: case 0xE9: case 0xEA: case 0xEB:
    case 0xEE: case 0xEF: case 0xF4: case 0xF9: case 0xFB: case 0xFC: case 0xFF:
    case 0x153:
      return true;
    default:
      return false;
  }
}

bool IsHyphenationConsonant(uint32_t c) {
  if (c == 0xE7) return true;  // ç
  if (c < 'a' || c > 'z') return false;
  return !IsHyphenationVowel(c);
}

// The glyph becomes a hyphen in place: its pen position stays, its atlas entry and metrics are
// the hyphen's. Without a hyphen in the atlas it is queued and the glyph draws nothing meanwhile,
// rather than the letter it replaced.
static void ReplaceWithHyphen(uint32_t* codePoint, LaidOutGlyph* glyph, FontAtlas* atlas) {
  *codePoint = '-';
  if (!atlas->FindGlyph('-', &glyph->page, &glyph->uv, &glyph->uvSize, &glyph->bearing)) {
    glyph->uvSize = {0, 0};
    if (!atlas->IsKnownOrPending('-')) atlas->pendingCodePoints.push_back('-');
  }
  const GlyphMetrics m = HyphenMetrics(atlas);
  glyph->advance = m.advanceX;
  glyph->width = m.width;
  glyph->height = m.height;
}

void NoLineFit(uint32_t*, LaidOutGlyph*, uint32_t*, FontAtlas*, int32_t*, LayoutBox) {}

void HyphenateLineEnd(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                      FontAtlas* atlas, int32_t* rewind, LayoutBox) {
  const uint32_t n = *count;
  // A lone glyph sent back to the next line would meet the same overflow there for ever; it stays.
  if (n < 2) return;
  ReplaceWithHyphen(&codePoints[n - 1], &glyphs[n - 1], atlas);
  *rewind = -1;
}

void BreakLine(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count, FontAtlas* atlas,
               int32_t* rewind, LayoutBox) {
  const uint32_t n = *count;
  for (uint32_t j = n; j-- > 1;) {
    if (codePoints[j] == ' ') {
      *count = j;
      *rewind = int32_t(j + 1) - int32_t(n);
      return;
    }
  }
  if (n < 3) return;
  // The search runs from the line end, so the longest prefix wins.
  for (uint32_t m = n - 1; m >= 2; --m) {
    const uint32_t c = codePoints[m], p = codePoints[m - 1];
    if (!IsHyphenationConsonant(c)) continue;
    if ((IsHyphenationVowel(p) && c != 'x') || p == c) {
      *count = m + 1;
      ReplaceWithHyphen(&codePoints[m], &glyphs[m], atlas);
      *rewind = int32_t(m) - int32_t(n);
      return;
    }
  }
}

static int32_t RightAlignShift(const uint32_t* codePoints, const LaidOutGlyph* glyphs,
                               uint32_t* count, FontAtlas* atlas, LayoutBox box) {
  uint32_t n = *count;
  // An empty line has no last glyph to align.
  if (n == 0) return 0;
  if (codePoints[n - 1] == ' ') --n;
  *count = n;
  if (n == 0) return 0;
  int32_t advance = glyphs[n - 1].advance;
  if (codePoints[n - 1] == '-') advance = HyphenMetrics(atlas).advanceX;
  return box.right * 64 - advance - glyphs[n - 1].x + glyphs[0].x;
}

void AlignLineRight(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t count, FontAtlas* atlas,
                    LayoutBox box) {
  const int32_t shift = RightAlignShift(codePoints, glyphs, &count, atlas, box);
  for (uint32_t k = 0; k < count; ++k) glyphs[k].x += shift;
}

void AlignLineCentre(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t count,
                     FontAtlas* atlas, LayoutBox box) {
  const int32_t shift = RightAlignShift(codePoints, glyphs, &count, atlas, box) / 2;
  for (uint32_t k = 0; k < count; ++k) glyphs[k].x += shift;
}

void BreakAndAlignRight(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                        FontAtlas* atlas, int32_t* rewind, LayoutBox box) {
  BreakLine(codePoints, glyphs, count, atlas, rewind, box);
  AlignLineRight(codePoints, glyphs, *count, atlas, box);
}

void BreakAndAlignCentre(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                         FontAtlas* atlas, int32_t* rewind, LayoutBox box) {
  BreakLine(codePoints, glyphs, count, atlas, rewind, box);
  AlignLineCentre(codePoints, glyphs, *count, atlas, box);
}

void BreakAndJustify(uint32_t* codePoints, LaidOutGlyph* glyphs, uint32_t* count,
                     FontAtlas* atlas, int32_t* rewind, LayoutBox box) {
  BreakLine(codePoints, glyphs, count, atlas, rewind, box);
  const uint32_t n = *count;
  if (n == 0) return;
  const int32_t boxWidth = box.right * 64;
  const int32_t lineWidth = glyphs[n - 1].x + glyphs[n - 1].advance - glyphs[0].x;
  if (boxWidth <= lineWidth) return;
  const int32_t gap = boxWidth - lineWidth;
  uint32_t spaces = 0;
  for (uint32_t k = 0; k < n; ++k) spaces += codePoints[k] == ' ';
  if (spaces > 0) {
    // The remainder of the division is left over at the line end.
    const int32_t share = int32_t(uint32_t(gap) / spaces);
    int32_t add = 0;
    for (uint32_t k = 0; k < n; ++k) {
      glyphs[k].x += add;
      if (codePoints[k] == ' ') {
        glyphs[k].advance += share;
        add += share;
      }
    }
  } else if (n >= 2) {
    const int32_t share = gap / int32_t(n - 1);
    for (uint32_t k = 0; k < n; ++k) {
      glyphs[k].x += int32_t(k) * share;
      glyphs[k].advance += share;
    }
  }
}

LineFitHandlers HandlersForMode(int32_t mode) {
  switch (mode) {
    case kLineFitHyphenateLineEnd: return {HyphenateLineEnd, nullptr, false};
    case kLineFitBreakLine: return {BreakLine, nullptr, true};
    case kLineFitBreakAndAlignRight: return {BreakAndAlignRight, AlignLineRight, true};
    case kLineFitBreakAndAlignCentre: return {BreakAndAlignCentre, AlignLineCentre, true};
    case kLineFitBreakAndJustify: return {BreakAndJustify, nullptr, true};
    default: return {NoLineFit, nullptr, false};
  }
}
