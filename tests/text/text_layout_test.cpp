#include "text/text_layout.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstdio>

#include "app/files.h"
#include "tests/text/layout_reference.h"
#include "tests/text/text_test_util.h"

namespace {

const char* kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:!?'-éèàçô€";

struct LayoutTest : testing::Test {
  FontAtlas atlas;
  std::vector<PageMesh> meshes;
  void SetUp() override { ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 30, kAlphabet)); }
  int32_t LineHeight() const { return atlas.faceLineHeight >> 6; }
  float Bearing(uint32_t c) const { return float(atlas.bearings[atlas.FindGlyphIndex(c)].bottom); }
  float Left(uint32_t c) const { return float(atlas.bearings[atlas.FindGlyphIndex(c)].left); }
};

}  // namespace

TEST_F(LayoutTest, EmptyTextDrawsNothingAndSucceeds) {
  EXPECT_TRUE(Lay(&atlas, "", Params(&atlas, 500, 40, kLineFitBreakAndAlignRight), &meshes));
  EXPECT_EQ(meshes.size(), atlas.pageCount);
  EXPECT_TRUE(Quads(meshes).empty());
  TextLayoutParams p = Params(&atlas, 500, 40, kLineFitNone);
  EXPECT_TRUE(LayoutText(nullptr, 5, &p, &meshes));
  EXPECT_TRUE(Quads(meshes).empty());
}

TEST_F(LayoutTest, QuadsSitOnTheFirstBaselineWithTheTextColour) {
  TextLayoutParams p = Params(&atlas, 500, 100, kLineFitBreakLine);
  p.color[0] = 0.25f;
  p.color[3] = 0.5f;
  ASSERT_TRUE(Lay(&atlas, "H", p, &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 1u);
  const int32_t baseline = 100 - atlas.faceYPpem;
  EXPECT_EQ(q[0].x0, Left('H'));
  EXPECT_EQ(q[0].y0, baseline + Bearing('H'));
  EXPECT_EQ(meshes[0].indices, (std::vector<uint32_t>{0, 2, 1, 1, 2, 3}));
  EXPECT_EQ(meshes[0].vertices[4], 0.25f);
  EXPECT_EQ(meshes[0].vertices[7], 0.5f);
  EXPECT_EQ(meshes[0].format, kTextVertexFormat);
}

TEST_F(LayoutTest, TrailingAndDoubleLineFeedsMoveTheBaselineAndDrawNothing) {
  ASSERT_TRUE(Lay(&atlas, "ab\n", Params(&atlas, 500, 100, kLineFitBreakLine), &meshes));
  EXPECT_EQ(Quads(meshes).size(), 2u);
  EXPECT_TRUE(atlas.pendingCodePoints.empty());

  ASSERT_TRUE(Lay(&atlas, "H\n\nH", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0].y0 - q[1].y0, float(2 * LineHeight()));
  EXPECT_EQ(q[0].x0, q[1].x0);
}

TEST_F(LayoutTest, CarriageReturnIsSkippedAndCrLfEndsTheLine) {
  ASSERT_TRUE(Lay(&atlas, "H\r\nH\rH", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 3u);
  EXPECT_EQ(q[0].y0 - q[1].y0, float(LineHeight()));
  EXPECT_EQ(q[1].y0, q[2].y0);
  EXPECT_GT(q[2].x0, q[1].x0);
  EXPECT_TRUE(atlas.pendingCodePoints.empty());
  // A skipped CR takes no place: a leading one does not push an over-wide glyph down a line,
  // and a space before CR LF is ignored by right and centre alignment as it is before LF.
  std::vector<PageMesh> plain;
  const std::pair<const char*, const char*> same[] = {{"\rWW", "WW"}, {"W\rW", "WW"},
                                                      {"abc \r\nx", "abc \nx"}};
  for (int mode = kLineFitBreakLine; mode <= kLineFitBreakAndJustify; ++mode)
    for (const auto& texts : same) {
      const uint32_t width = texts.first[0] == 'a' ? 300 : 3;
      ASSERT_TRUE(Lay(&atlas, texts.first, Params(&atlas, width, 300, mode), &meshes));
      ASSERT_TRUE(Lay(&atlas, texts.second, Params(&atlas, width, 300, mode), &plain));
      EXPECT_EQ(meshes[0].vertices, plain[0].vertices) << mode << " " << texts.second;
    }
}

TEST_F(LayoutTest, GlyphWiderThanTheBoxStaysOnItsLine) {
  ASSERT_TRUE(Lay(&atlas, "WW", Params(&atlas, 3, 300, kLineFitBreakLine), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0].y0 - q[1].y0, float(LineHeight()));
  EXPECT_EQ(q[0].x0, q[1].x0);
}

TEST_F(LayoutTest, MissingGlyphsAreQueuedOnceAndCompletedLinesKept) {
  // The third code point is missing; the first line is complete before it.
  ASSERT_FALSE(Lay(&atlas, "a\nЖbЖ\nЯЖ", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  EXPECT_EQ(atlas.pendingCodePoints, (std::vector<uint32_t>{0x416, 0x42F}));
  EXPECT_EQ(Quads(meshes).size(), 1u);
  // Queued again by a second layout: still once each.
  EXPECT_FALSE(Lay(&atlas, "Ж", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  EXPECT_EQ(atlas.pendingCodePoints.size(), 2u);
  atlas.BakePendingGlyphs();
  EXPECT_TRUE(Lay(&atlas, "a\nЖbЖ\nЯЖ", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  EXPECT_EQ(Quads(meshes).size(), 6u);
}

TEST_F(LayoutTest, MissingGlyphRightAfterALineBreakIsQueued) {
  EXPECT_FALSE(Lay(&atlas, "ab\nЖ", Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  EXPECT_EQ(atlas.pendingCodePoints, std::vector<uint32_t>{0x416});
  EXPECT_EQ(Quads(meshes).size(), 2u);
}

TEST_F(LayoutTest, CodePointTheFontLacksIsBakedOnceThenLaidOut) {
  const std::string text = "a\xE4\xB8\xAD";  // U+4E2D: not in the game's font
  EXPECT_FALSE(Lay(&atlas, text, Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
  atlas.BakePendingGlyphs();
  const uint32_t glyphs = atlas.glyphCount;
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_TRUE(Lay(&atlas, text, Params(&atlas, 500, 300, kLineFitBreakLine), &meshes));
    EXPECT_TRUE(atlas.pendingCodePoints.empty());
  }
  EXPECT_EQ(atlas.glyphCount, glyphs);
}

TEST_F(LayoutTest, LinesLongerThan128GlyphsAreHeldWhole) {
  std::string text(1000, 'a');
  ASSERT_TRUE(Lay(&atlas, text, Params(&atlas, 100000, 300, kLineFitNone), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 1000u);
  EXPECT_EQ(q[999].y0, q[0].y0);
  EXPECT_GT(q[999].x0, q[998].x0);
  for (int mode = 0; mode <= 5; ++mode) {
    text.assign(700, 'm');
    for (size_t k = 50; k < text.size(); k += 301) text[k] = ' ';
    EXPECT_TRUE(Lay(&atlas, text, Params(&atlas, 8000, 300, mode), &meshes)) << mode;
    EXPECT_GE(Quads(meshes).size(), 690u) << mode;
  }
}

TEST_F(LayoutTest, BreakLineWrapsAtSpacesInsideTheBox) {
  ASSERT_TRUE(Lay(&atlas, "un deux trois quatre cinq six", Params(&atlas, 120, 300, 2), &meshes));
  int letters = 0;
  for (const Quad& q : Quads(meshes)) {
    EXPECT_LE(q.x1, 121.0f);
    letters += q.x1 > q.x0;
  }
  EXPECT_EQ(letters, 24);

  // A space after which the pen lies past the box is where the line breaks: it is dropped, so
  // the 43-pixel "oui" starts the next line whole rather than as " ou" and "i" ("oui," ends
  // at 49 pixels, so the space itself would not fit).
  const std::vector<uint32_t> text = Decode("oui, oui");
  for (int mode = kLineFitBreakLine; mode <= kLineFitBreakAndJustify; ++mode) {
    ASSERT_TRUE(Lay(&atlas, "oui, oui", Params(&atlas, 49, 300, mode), &meshes));
    std::vector<Quad> q = Quads(meshes);
    ASSERT_EQ(q.size(), 7u) << mode;
    const int32_t first = 300 - atlas.faceYPpem;
    for (size_t k = 0; k < 7; ++k) {
      const uint32_t c = text[k < 4 ? k : k + 1];
      EXPECT_EQ(q[k].y0 - Bearing(c), float(k < 4 ? first : first - LineHeight())) << mode;
    }
  }
}

TEST_F(LayoutTest, RightAlignedLineEndsAtTheBoxEdge) {
  ASSERT_TRUE(Lay(&atlas, "abc", Params(&atlas, 300, 100, kLineFitBreakAndAlignRight), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 3u);
  const GlyphMetrics& c = atlas.metrics[atlas.FindGlyphIndex('c')];
  const float penEnd = q[2].x0 - Left('c') + float(c.advanceX >> 6);
  EXPECT_NEAR(penEnd, 300.0f, 1.0f);
}

// Runs of spaces that cross the box edge, where a line wraps and at the paragraph's end: the
// spaces past the edge take no width, so aligned lines stay inside the box.
TEST_F(LayoutTest, SpacesPastTheBoxTakeNoWidthInAlignedLines) {
  ASSERT_TRUE(Lay(&atlas, "oui oui", Params(&atlas, 5000, 100, kLineFitNone), &meshes));
  const float advanceI = float(atlas.metrics[atlas.FindGlyphIndex('i')].advanceX >> 6);
  const float wordsEnd = Quads(meshes).back().x0 - Left('i') + advanceI;
  // The first space of each run starts inside the box and ends past it.
  const uint32_t width = uint32_t(wordsEnd) + 3;
  for (int mode = kLineFitBreakAndAlignRight; mode <= kLineFitBreakAndJustify; ++mode) {
    ASSERT_TRUE(Lay(&atlas, "oui oui   oui oui   ", Params(&atlas, width, 300, mode), &meshes));
    std::vector<Quad> ink;
    for (const Quad& q : Quads(meshes))
      if (q.x1 > q.x0) ink.push_back(q);
    ASSERT_EQ(ink.size(), 12u) << mode;
    for (int line = 0; line < 2; ++line) {
      const float start = ink[6 * line].x0 - Left('o');
      const float end = ink[6 * line + 5].x0 - Left('i') + advanceI;
      EXPECT_GE(start, 0.0f) << mode << " line " << line;
      if (mode == kLineFitBreakAndAlignCentre) {
        EXPECT_NEAR(start, width - end, 1.0f) << line;
      } else if (mode == kLineFitBreakAndAlignRight || line == 0) {
        EXPECT_NEAR(end, float(width), 1.0f) << mode << " line " << line;
      }
    }
  }
}

// A box that ends one pixel before the last glyph of `text` would end.
static uint32_t WidthCuttingTheLastGlyph(FontAtlas* atlas, const std::string& text) {
  std::vector<PageMesh> wide;
  Lay(atlas, text, Params(atlas, 5000, 100, kLineFitNone), &wide);
  const std::vector<uint32_t> cps = Decode(text);
  const int32_t k = atlas->FindGlyphIndex(cps.back());
  const float penX = Quads(wide).back().x0 - float(atlas->bearings[k].left);
  return uint32_t(penX) + atlas->boxes[k].width - 1;
}

TEST_F(LayoutTest, HyphenationDrawsAHyphenWhereTheWordBreaks) {
  std::vector<PageMesh> hyphen;
  ASSERT_TRUE(Lay(&atlas, "-", Params(&atlas, 500, 100, 2), &hyphen));
  const float hyphenU = hyphen[0].vertices[2];
  // "maison" is followed by a glyph that does not fit: "maiso-", then "n.".
  TextLayoutParams p = Params(&atlas, WidthCuttingTheLastGlyph(&atlas, "maison."), 100, 2);
  ASSERT_TRUE(Lay(&atlas, "maison.", p, &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 8u);
  EXPECT_EQ(meshes[0].vertices[5 * 32 + 2], hyphenU);
  EXPECT_EQ(q[5].y0 > q[6].y0, true);
  EXPECT_EQ(q[6].x0, Left('n'));
}

TEST_F(LayoutTest, HyphenMissingFromTheAtlasIsQueuedNotDrawnAsTheLetter) {
  FontAtlas small;
  ASSERT_TRUE(MakeAtlas(&small, kGameFontPath, 30, "maison."));
  TextLayoutParams p = Params(&small, WidthCuttingTheLastGlyph(&small, "maison."), 100, 2);
  EXPECT_FALSE(Lay(&small, "maison.", p, &meshes));
  EXPECT_EQ(small.pendingCodePoints, std::vector<uint32_t>{'-'});
  small.BakePendingGlyphs();
  EXPECT_TRUE(Lay(&small, "maison.", p, &meshes));
  EXPECT_EQ(Quads(meshes).size(), 8u);
}

TEST_F(LayoutTest, HyphenateLineEndInABoxNarrowerThanTwoGlyphsFinishes) {
  ASSERT_TRUE(Lay(&atlas, "abcdef", Params(&atlas, 1, 300, kLineFitHyphenateLineEnd), &meshes));
  EXPECT_EQ(Quads(meshes).size(), 6u);
}

TEST_F(LayoutTest, UnknownModeBehavesAsNoLineFit) {
  ASSERT_TRUE(Lay(&atlas, "abc abc", Params(&atlas, 10, 300, 77), &meshes));
  std::vector<PageMesh> none;
  ASSERT_TRUE(Lay(&atlas, "abc abc", Params(&atlas, 10, 300, kLineFitNone), &none));
  EXPECT_EQ(meshes[0].vertices, none[0].vertices);
}

TEST_F(LayoutTest, HugeBoxesDoNotOverflow) {
  for (int mode = 0; mode <= 5; ++mode)
    EXPECT_TRUE(Lay(&atlas, "a b\nc", Params(&atlas, 0xFFFFFFFFu, 0xFFFFFFFFu, mode), &meshes));
}

TEST_F(LayoutTest, ConvertToFormat8KeepsPositionUvAndColour) {
  PageMesh mesh;
  mesh.format = 0;  // x y z, u v, r g b, nx ny nz
  mesh.vertices = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  mesh.ConvertToFormat8();
  EXPECT_EQ(mesh.format, 8);
  EXPECT_EQ(mesh.vertices, (std::vector<float>{1, 2, 4, 5, 6, 7, 8, 0}));
  // A packed one-slot colour at the end of the vertex is not read as three floats past it.
  mesh.format = 6;  // x y, u v, rgba8
  mesh.vertices = {1, 2, 3, 4, 5};
  mesh.ConvertToFormat8();
  EXPECT_EQ(mesh.vertices, (std::vector<float>{1, 2, 3, 4, 0, 0, 0, 0}));
}

// A face with a legacy kern table is needed here: the game's font has none.
TEST(LayoutKerning, KnownPairMovesTheSecondGlyphButNotAcrossLines) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kKerningFontPath, 40, "AV"));
  FT_Vector kern;
  ASSERT_EQ(FT_Get_Kerning(atlas.face, FT_Get_Char_Index(atlas.face, 'A'),
                           FT_Get_Char_Index(atlas.face, 'V'), FT_KERNING_DEFAULT, &kern), 0);
  ASSERT_LT(kern.x >> 6, 0);
  std::vector<PageMesh> meshes;
  ASSERT_TRUE(Lay(&atlas, "AV", Params(&atlas, 500, 100, kLineFitNone), &meshes));
  std::vector<Quad> q = Quads(meshes);
  ASSERT_EQ(q.size(), 2u);
  const int32_t a = atlas.FindGlyphIndex('A'), v = atlas.FindGlyphIndex('V');
  EXPECT_EQ(q[1].x0, float((atlas.metrics[a].advanceX >> 6) + (kern.x >> 6) +
                           atlas.bearings[v].left));
  ASSERT_TRUE(Lay(&atlas, "A\nV", Params(&atlas, 500, 100, kLineFitNone), &meshes));
  q = Quads(meshes);
  EXPECT_EQ(q[1].x0, float(atlas.bearings[v].left));
}

TEST(LayoutReference, CachedLayoutGivesTheSameQuadsAsTheUncachedOne) {
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile("tests/data/text/layout_reference.txt", &file));
  unsigned long long size = 0, hash = 0;
  ASSERT_EQ(std::sscanf(file.Text(), "%llu %llx", &size, &hash), 2);
  const std::vector<uint8_t> bytes = LayoutReferenceBytes();
  EXPECT_EQ(bytes.size(), size);
  EXPECT_EQ(Fnv1a64(bytes), hash);
}
