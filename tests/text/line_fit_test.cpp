#include "text/line_fit.h"

#include <gtest/gtest.h>

#include "tests/text/text_test_util.h"

namespace {

// A line built by hand: each glyph 64 units (1 px) wide unless set otherwise, x running on.
struct Line {
  std::vector<uint32_t> cps;
  std::vector<LaidOutGlyph> glyphs;
};

Line MakeLine(const std::string& text, int32_t advance = 64 * 10) {
  Line line;
  line.cps = Decode(text);
  int32_t x = 0;
  for (size_t k = 0; k < line.cps.size(); ++k) {
    LaidOutGlyph g = {};
    g.x = x;
    g.advance = advance;
    line.glyphs.push_back(g);
    x += advance;
  }
  return line;
}

std::string Text(const Line& line, uint32_t count) {
  std::string out;
  for (uint32_t k = 0; k < count; ++k) out += char(line.cps[k]);
  return out;
}

struct LineFitTest : testing::Test {
  FontAtlas atlas;
  LayoutBox box = {0, 0, 100, 40};
  void SetUp() override { ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 30, "abelmnoisx-")); }

  // Runs BreakLine on a line whose glyph at `count` did not fit.
  std::string Break(Line* line, uint32_t count, int32_t* rewind) {
    *rewind = 0;
    BreakLine(line->cps.data(), line->glyphs.data(), &count, &atlas, rewind, box);
    return Text(*line, count);
  }
};

}  // namespace

TEST_F(LineFitTest, HyphenationKeepsTheLongestPrefix) {
  Line line = MakeLine("maison");
  int32_t rewind;
  EXPECT_EQ(Break(&line, 6, &rewind), "maiso-");
  EXPECT_EQ(rewind, -1);  // "n" starts the next line
  const GlyphMetrics& hyphen = atlas.hyphenMetrics;
  EXPECT_EQ(line.glyphs[5].advance, hyphen.advanceX);
  EXPECT_EQ(line.glyphs[5].x, 5 * 640);  // the pen position stays

  Line belle = MakeLine("belle");
  EXPECT_EQ(Break(&belle, 5, &rewind), "bel-");
  EXPECT_EQ(rewind, -2);  // "le" starts the next line
}

TEST_F(LineFitTest, SpacesBreakBeforeHyphenationButNotAtTheLineStart) {
  Line line = MakeLine("mais onde");
  int32_t rewind;
  EXPECT_EQ(Break(&line, 9, &rewind), "mais");
  EXPECT_EQ(rewind, 5 - 9);  // the next line starts right after the space

  Line leading = MakeLine(" aaaa");
  EXPECT_EQ(Break(&leading, 5, &rewind), " aaaa");
  EXPECT_EQ(rewind, 0);
}

TEST_F(LineFitTest, UpperCaseShortLinesAndVowelX) {
  int32_t rewind;
  Line upper = MakeLine("MAISON");
  EXPECT_EQ(Break(&upper, 6, &rewind), "MAISON");
  EXPECT_EQ(rewind, 0);
  Line shortLine = MakeLine("ab");
  EXPECT_EQ(Break(&shortLine, 2, &rewind), "ab");
  Line ax = MakeLine("aax");
  EXPECT_EQ(Break(&ax, 3, &rewind), "aax");
  Line xx = MakeLine("axxe");
  EXPECT_EQ(Break(&xx, 4, &rewind), "ax-");
  EXPECT_EQ(rewind, -2);
  Line accented = MakeLine("\xC3\xA9t\xC3\xA9s");  // étés: é counts as a vowel
  uint32_t count = 4;
  BreakLine(accented.cps.data(), accented.glyphs.data(), &count, &atlas, &rewind, box);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(accented.cps[3], uint32_t('-'));
  EXPECT_EQ(rewind, -1);
}

TEST_F(LineFitTest, HyphenateLineEndSendsTheLastGlyphOnUnlessItIsAlone) {
  Line line = MakeLine("abc");
  uint32_t count = 3;
  int32_t rewind = 0;
  HyphenateLineEnd(line.cps.data(), line.glyphs.data(), &count, &atlas, &rewind, box);
  EXPECT_EQ(Text(line, count), "ab-");
  EXPECT_EQ(rewind, -1);
  Line one = MakeLine("a");
  count = 1;
  rewind = 0;
  HyphenateLineEnd(one.cps.data(), one.glyphs.data(), &count, &atlas, &rewind, box);
  EXPECT_EQ(Text(one, count), "a");
  EXPECT_EQ(rewind, 0);
}

TEST_F(LineFitTest, RightAlignmentIgnoresOneTrailingSpace) {
  Line line = MakeLine("abc ");
  AlignLineRight(line.cps.data(), line.glyphs.data(), 4, &atlas, box);
  EXPECT_EQ(line.glyphs[2].x + line.glyphs[2].advance, 100 * 64);
  EXPECT_EQ(line.glyphs[0].x, 100 * 64 - 3 * 640);
  EXPECT_EQ(line.glyphs[3].x, 3 * 640);  // the space keeps its place
}

TEST_F(LineFitTest, CentreAlignmentHalvesTheShiftTowardZero) {
  Line line = MakeLine("a", 100 * 64 - 3);
  AlignLineCentre(line.cps.data(), line.glyphs.data(), 1, &atlas, box);
  EXPECT_EQ(line.glyphs[0].x, 1);
}

TEST_F(LineFitTest, AlignmentLeavesEmptyAndSpaceOnlyLinesAlone) {
  // An empty line: the handlers must not look before its start.
  std::vector<uint32_t> cps(1, 'a');
  std::vector<LaidOutGlyph> glyphs(1, LaidOutGlyph{});
  glyphs[0].x = 7;
  AlignLineRight(cps.data() + 1, glyphs.data() + 1, 0, &atlas, box);
  AlignLineCentre(cps.data() + 1, glyphs.data() + 1, 0, &atlas, box);
  EXPECT_EQ(glyphs[0].x, 7);
  Line space = MakeLine(" ");
  AlignLineRight(space.cps.data(), space.glyphs.data(), 1, &atlas, box);
  AlignLineCentre(space.cps.data(), space.glyphs.data(), 1, &atlas, box);
  EXPECT_EQ(space.glyphs[0].x, 0);
}

TEST_F(LineFitTest, JustificationSharesTheGapBetweenSpaces) {
  // "a b c d" + "ef" that did not fit; the line ends 100 units short of the box.
  Line line = MakeLine("a b c d ef", 0);
  for (int k = 0; k < 7; ++k) {
    line.glyphs[k].x = k * 77;
    line.glyphs[k].advance = 77;
  }
  line.glyphs[6].advance = 640 - 100 - 6 * 77;
  LayoutBox narrow = {0, 0, 10, 40};
  uint32_t count = 10;
  int32_t rewind = 0;
  BreakAndJustify(line.cps.data(), line.glyphs.data(), &count, &atlas, &rewind, narrow);
  ASSERT_EQ(count, 7u);
  EXPECT_EQ(line.glyphs[0].x, 0);
  EXPECT_EQ(line.glyphs[2].x, 2 * 77 + 33);
  EXPECT_EQ(line.glyphs[4].x, 4 * 77 + 66);
  EXPECT_EQ(line.glyphs[6].x, 6 * 77 + 99);
  EXPECT_EQ(line.glyphs[1].advance, 77 + 33);
}

TEST_F(LineFitTest, JustificationWithoutSpacesSpreadsTheGlyphs) {
  Line line = MakeLine("ABCDE", 0);
  for (int k = 0; k < 4; ++k) {
    line.glyphs[k].x = k * 100;
    line.glyphs[k].advance = 100;
  }
  line.glyphs[3].advance = 640 - 90 - 300;
  uint32_t count = 4;
  int32_t rewind = 0;
  BreakAndJustify(line.cps.data(), line.glyphs.data(), &count, &atlas, &rewind, {0, 0, 10, 40});
  EXPECT_EQ(line.glyphs[0].x, 0);
  EXPECT_EQ(line.glyphs[1].x, 130);
  EXPECT_EQ(line.glyphs[2].x, 260);
  EXPECT_EQ(line.glyphs[3].x, 390);
}
