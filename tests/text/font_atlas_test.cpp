#include "text/font_atlas.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "tests/text/text_test_util.h"

namespace {

// An atlas whose glyph boxes are set by hand, without a font: packing alone is exercised and the
// pages stay blank.
FontAtlas BoxAtlas(const std::vector<GlyphBox>& boxes, uint32_t maxSide = kAtlasMaxPageSide) {
  FontAtlas atlas;
  atlas.maxPageSide = maxSide;
  for (size_t k = 0; k < boxes.size(); ++k) {
    atlas.codePoints.push_back(uint32_t('A' + k));
    atlas.positions.push_back({0, 0});
    atlas.boxes.push_back(boxes[k]);
    atlas.bearings.push_back({0, 0});
    atlas.metrics.push_back({});
  }
  atlas.glyphCount = uint32_t(boxes.size());
  return atlas;
}

uint32_t Sum(const std::vector<uint32_t>& v) {
  uint32_t s = 0;
  for (uint32_t x : v) s += x;
  return s;
}

// A stand-in for the renderer's slot table: hands out the lowest free slot and checks that a
// slot is never given back twice.
struct FakeSlots {
  std::set<uint32_t> held;
  int released = 0;
  static void Upload(void* context, FontAtlas* atlas, uint32_t page, const uint8_t*) {
    FakeSlots* self = static_cast<FakeSlots*>(context);
    AtlasPage& p = atlas->pages[page];
    if (p.slot != kNoTextureSlot) return;
    uint32_t s = 0;
    while (self->held.count(s)) ++s;
    self->held.insert(s);
    p.slot = s;
  }
  static void Release(void* context, FontAtlas*, AtlasPage* page) {
    FakeSlots* self = static_cast<FakeSlots*>(context);
    ASSERT_NE(page->slot, kNoTextureSlot);
    ASSERT_EQ(self->held.erase(page->slot), 1u);
    page->slot = kNoTextureSlot;
    ++self->released;
  }
};

}  // namespace

TEST(AtlasShelfPacking, FirstGlyphsFitOneSmallPageLeftToRightFromTheTop) {
  FontAtlas atlas = BoxAtlas({{10, 12}, {10, 12}, {5, 8}});
  atlas.BuildPages();
  ASSERT_EQ(atlas.pageCount, 1u);
  EXPECT_EQ(atlas.pages[0].width, 128);
  EXPECT_EQ(atlas.pages[0].height, 128);
  EXPECT_EQ(atlas.glyphsPerPage, std::vector<uint32_t>{3});
  EXPECT_EQ(atlas.positions[0].x, 0u);
  EXPECT_EQ(atlas.positions[0].y, 116u);
  EXPECT_EQ(atlas.positions[1].x, 10u);
  EXPECT_EQ(atlas.positions[2].x, 20u);
  EXPECT_EQ(atlas.positions[2].y, 116u);
  EXPECT_EQ(atlas.pages[0].format, kAtlasPageFormatR8);
  EXPECT_EQ(atlas.pagePixels[0].size(), 128u * 128u);
}

TEST(AtlasShelfPacking, GlyphEndingExactlyAtThePageEdgeOpensANewShelf) {
  FontAtlas atlas = BoxAtlas({{64, 10}, {63, 10}, {1, 10}});
  atlas.BuildPages();
  EXPECT_EQ(atlas.positions[1].x, 64u);  // 64 + 63 < 128
  EXPECT_EQ(atlas.positions[1].y, 118u);
  EXPECT_EQ(atlas.positions[2].x, 0u);  // 127 + 1 == 128 does not fit
  EXPECT_EQ(atlas.positions[2].y, 108u);
}

TEST(AtlasShelfPacking, ZeroWidthGlyphTakesNoRoom) {
  FontAtlas atlas = BoxAtlas({{0, 10}, {7, 9}, {0, 0}, {3, 0}});
  atlas.BuildPages();
  EXPECT_EQ(atlas.positions[0].x, 0u);
  EXPECT_EQ(atlas.positions[1].x, 0u);
  EXPECT_EQ(atlas.positions[2].x, 7u);
  EXPECT_EQ(atlas.positions[3].x, 7u);
}

TEST(AtlasShelfPacking, PageDoublesAndRepacksFromItsFirstGlyph) {
  FontAtlas atlas = BoxAtlas({{100, 100}, {100, 100}});
  atlas.BuildPages();
  ASSERT_EQ(atlas.pageCount, 1u);
  EXPECT_EQ(atlas.pages[0].width, 256);
  EXPECT_EQ(atlas.pages[0].height, 256);
  EXPECT_EQ(atlas.positions[0].x, 0u);
  EXPECT_EQ(atlas.positions[0].y, 156u);
  EXPECT_EQ(atlas.positions[1].x, 100u);
  EXPECT_EQ(atlas.positions[1].y, 156u);
}

TEST(AtlasShelfPacking, GrowsUpToTheLimitThenStartsANewPage) {
  FontAtlas atlas = BoxAtlas({{200, 200}, {200, 200}, {10, 10}}, 256);
  atlas.BuildPages();
  ASSERT_EQ(atlas.pageCount, 2u);
  EXPECT_EQ(atlas.pages[0].width, 256);
  EXPECT_EQ(atlas.pages[1].width, 256);
  EXPECT_EQ(atlas.glyphsPerPage, (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(atlas.positions[1].y, 56u);
}

TEST(AtlasShelfPacking, GlyphLargerThanTheLimitIsPlacedAloneAndPackingEnds) {
  FontAtlas atlas = BoxAtlas({{300, 20}, {500, 500}, {4, 4}}, 128);
  atlas.BuildPages();
  EXPECT_EQ(Sum(atlas.glyphsPerPage), 3u);
  EXPECT_EQ(atlas.pageCount, 3u);
  for (const AtlasPage& p : atlas.pages) EXPECT_EQ(p.width, 128);
}

TEST(AtlasShelfPacking, BlitClipsAtThePageEdgeAndStoresRowsBottomFirst) {
  std::vector<uint8_t> page(16 * 16, 0);
  const uint8_t bitmap[3 * 2] = {1, 2, 3,   // top row
                                 4, 5, 6};  // bottom row
  BlitGlyph(bitmap, 3, 2, 14, 15, page.data(), 16, 16);
  EXPECT_EQ(page[15 * 16 + 14], 4);  // bottom row of the bitmap at the glyph's row
  EXPECT_EQ(page[15 * 16 + 15], 5);
  EXPECT_EQ(page[0], 0);  // nothing wrapped to the start
  EXPECT_EQ(page[15 * 16 + 0], 0);
  BlitGlyph(bitmap, 3, 2, -1, 0, page.data(), 16, 16);
  EXPECT_EQ(page[0], 5);
  EXPECT_EQ(page[16], 2);
  EXPECT_EQ(page[16 + 1], 3);
  int inked = 0;
  for (uint8_t t : page) inked += t != 0;
  EXPECT_EQ(inked, 6);
}

TEST(AtlasBake, GlyphsAreSortedTallestFirstAndAllPagesAccounted) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 30, "Hello, world! gyjq .-"));
  EXPECT_TRUE(atlas.pendingCodePoints.empty());
  EXPECT_EQ(Sum(atlas.glyphsPerPage), atlas.glyphCount);
  for (uint32_t k = 1; k < atlas.glyphCount; ++k)
    EXPECT_GE(atlas.boxes[k - 1].height, atlas.boxes[k].height);
  // Each code point is stored once.
  EXPECT_EQ(atlas.glyphCount, 16u);
  uint32_t page;
  Vec2 uv, size, bearing;
  ASSERT_TRUE(atlas.FindGlyph('H', &page, &uv, &size, &bearing));
  EXPECT_EQ(page, 0u);
  EXPECT_GT(size.x, 0.0f);
  EXPECT_FALSE(atlas.FindGlyph('Z', &page, &uv, &size, &bearing));
}

TEST(AtlasBake, GlyphPixelsLieInsideTheirBoxes) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 40, "I"));
  const uint32_t w = atlas.pages[0].width;
  const std::vector<uint8_t>& px = atlas.pagePixels[0];
  int inside = 0, outside = 0;
  const GlyphPosition pos = atlas.positions[0];
  for (uint32_t y = 0; y < atlas.pages[0].height; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      if (!px[y * w + x]) continue;
      const bool in = x >= pos.x && x < pos.x + atlas.boxes[0].width + 2 && y >= pos.y &&
                      y < pos.y + atlas.boxes[0].height + 2;
      (in ? inside : outside)++;
    }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
}

TEST(AtlasBake, RebuildAtASmallerSizeKeepsTheGrownPage) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 60, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
  const uint16_t grown = atlas.pages[0].width;
  ASSERT_GT(grown, 128);
  atlas.pixelSize = 12;
  atlas.Rebuild();
  EXPECT_EQ(atlas.pages[0].width, grown);
  EXPECT_EQ(atlas.metricsPixelSize, 12u);
  EXPECT_LT(atlas.boxes[0].height, 20u);
}

TEST(AtlasBake, RebuildWithFewerPagesGivesTheDroppedSlotsBackAndKeepsTheOthers) {
  FontAtlas atlas;
  FakeSlots slots;
  atlas.hooks = {FakeSlots::Upload, FakeSlots::Release, &slots};
  atlas.maxPageSide = 256;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 100, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij"));
  ASSERT_GE(atlas.pageCount, 3u);
  EXPECT_EQ(slots.held.size(), atlas.pageCount);
  atlas.pixelSize = 20;
  atlas.Rebuild();
  EXPECT_EQ(atlas.pageCount, 1u);
  EXPECT_GE(slots.released, 2);
  // Every page still names a slot it holds, and no two pages share one.
  std::set<uint32_t> seen;
  for (const AtlasPage& p : atlas.pages) {
    EXPECT_TRUE(slots.held.count(p.slot));
    EXPECT_TRUE(seen.insert(p.slot).second);
  }
  EXPECT_EQ(slots.held.size(), atlas.pageCount);
}

TEST(AtlasBake, CodePointTheFontLacksIsStoredUnderGlyphZeroOnce) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 30, "a"));
  const uint32_t han = 0x4E2D;
  atlas.pendingCodePoints = {han, han};
  atlas.BakePendingGlyphs();
  ASSERT_EQ(atlas.glyphCount, 2u);
  const int32_t k = atlas.FindGlyphIndex(han);
  ASSERT_GE(k, 0);
  EXPECT_EQ(atlas.metrics[k].glyphIndex, 0u);
  // Queuing it again changes nothing.
  atlas.pendingCodePoints = {han};
  atlas.BakePendingGlyphs();
  EXPECT_EQ(atlas.glyphCount, 2u);
}

TEST(AtlasBake, LineBreaksNeverBecomeGlyphs) {
  FontAtlas atlas;
  ASSERT_TRUE(MakeAtlas(&atlas, kGameFontPath, 30, "a\r\nb\n"));
  EXPECT_EQ(atlas.glyphCount, 2u);
  EXPECT_LT(atlas.FindGlyphIndex('\n'), 0);
  EXPECT_LT(atlas.FindGlyphIndex('\r'), 0);
}

TEST(AtlasFont, MissingFontFileIsReportedAndRefused) {
  FontAtlas atlas;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(atlas.LoadFontFile("data/Kestra/no-such-font.ttf"));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("no-such-font.ttf"), std::string::npos);
  EXPECT_EQ(atlas.face, nullptr);
}

TEST(AtlasFont, FileThatIsNotAFontIsReportedAndRefused) {
  FontAtlas atlas;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(atlas.LoadFontFile("tests/text/font_atlas_test.cpp"));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("not a usable font"), std::string::npos);
  EXPECT_EQ(atlas.face, nullptr);
}

// The fallback font is found relative to the working directory; from an empty folder it is
// missing, as on a machine where the data folder is incomplete.
TEST(AtlasFont, WithoutAnyFontTextIsNotDrawnAndTheFailureIsReportedOnce) {
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  char scratch[] = "/tmp/kestra-text-XXXXXX";
  ASSERT_NE(mkdtemp(scratch), nullptr);
  ASSERT_EQ(chdir(scratch), 0);

  FontAtlas atlas;
  TextLayoutParams params = Params(&atlas, 500, 40, kLineFitBreakLine);
  std::vector<PageMesh> meshes;
  testing::internal::CaptureStdout();
  bool first = Lay(&atlas, "Bonjour", params, &meshes);
  atlas.pendingCodePoints = {'B'};
  bool baked = atlas.BakePendingGlyphs();
  bool second = Lay(&atlas, "Bonjour", params, &meshes);
  const std::string out = testing::internal::GetCapturedStdout();

  ASSERT_EQ(chdir(here), 0);
  rmdir(scratch);
  EXPECT_TRUE(first);  // nothing to bake: callers must not loop on it
  EXPECT_TRUE(second);
  EXPECT_FALSE(baked);
  EXPECT_TRUE(atlas.pendingCodePoints.empty());
  EXPECT_TRUE(Quads(meshes).empty());
  size_t lines = std::count(out.begin(), out.end(), '\n');
  EXPECT_EQ(lines, 1u) << out;
  EXPECT_NE(out.find("PatuaOne-Regular.ttf"), std::string::npos);
}
