// Text drawn by the Direct3D 12 renderer under Wine: laid-out strings over the atlas pages, read
// back from the back buffer. White text on black; a pixel with red above 100 counts as ink.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "render/mesh_handle.h"
#include "render/renderer.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "tests/render/frame_capture_win.h"
#include "tests/text/text_test_util.h"
#include "text/font_atlas_gpu.h"

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 200;
constexpr int kInk = 100;

struct Box {
  int32_t x, y, width, height;  // window pixels, origin bottom left
};

struct Scene {
  TestWindow window;
  ShaderProgram program;
  FontAtlas atlas;
  MeshHandle meshes[8];
  uint32_t meshesUsed = 0;
  bool ready = false;
};
Scene* gScene = nullptr;

// Where a text's glyphs should show: its quads in window pixels.
struct DrawnText {
  Box box;
  std::vector<Quad> quads;
  std::vector<Vec2> uvs;  // each quad's lower-left texture coordinate
  // The first page as it was when the text was laid out: what its glyphs must show.
  std::vector<uint8_t> page;
  uint32_t pageWidth, pageHeight;
};

// Lays a text out (baking what is missing and laying out again, as the game does) and draws
// the first page's mesh with the game's text program.
DrawnText DrawText(const std::string& text, Box box) {
  FontAtlas& atlas = gScene->atlas;
  TextLayoutParams params = Params(&atlas, uint32_t(box.width), uint32_t(box.height),
                                   kLineFitBreakLine);
  std::vector<PageMesh> pages;
  if (!Lay(&atlas, text, params, &pages)) {
    atlas.BakePendingGlyphs();
    EXPECT_TRUE(Lay(&atlas, text, params, &pages));
  }
  DrawnText drawn = {box, {}, {}, atlas.pagePixels[0], atlas.pages[0].width,
                     atlas.pages[0].height};
  if (pages.empty() || pages[0].indices.empty()) return drawn;
  for (const Quad& q : Quads(pages))
    drawn.quads.push_back({q.x0 + box.x, q.y0 + box.y, q.x1 + box.x, q.y1 + box.y});
  for (size_t v = 0; v + 32 <= pages[0].vertices.size(); v += 32)
    drawn.uvs.push_back({pages[0].vertices[v + 2], pages[0].vertices[v + 3]});

  MeshHandle* mesh = &gScene->meshes[gScene->meshesUsed++ % 8];
  MeshHandle::Upload(mesh, pages[0].vertices.data(), uint32_t(pages[0].vertices.size() / 8),
                     pages[0].indices.data(), uint32_t(pages[0].indices.size()),
                     kTextVertexFormat);
  ShaderProgram::Bind(&gScene->program);
  const float pos[3] = {float(box.x) / kWidth * 2 - 1, float(box.y) / kHeight * 2 - 1, 0};
  const float scale[3] = {2.0f / kWidth, 2.0f / kHeight, 0};
  WriteShaderConstant(&gScene->program, "pos", pos, 3);
  WriteShaderConstant(&gScene->program, "scale", scale, 3);
  EnsureAtlasTextures(&atlas);
  // As in the game: a page without a texture binds nothing, and drawing then would sample
  // whatever table is bound.
  if (Texture::Bind(&atlas.pages[0])) gRenderer.DrawIndexed(mesh->indexBuffer, mesh->vertexBuffer);
  return drawn;
}

template <typename Draw>
Frame RunFrame(Draw draw) {
  gRenderer.BeginFrame();
  gRenderer.ClearColor(0, 0, 0, 1);
  draw();
  Frame f;
  EXPECT_TRUE(EndFrameWithCapture(&f));
  return f;
}

bool Inked(const Frame& f, int32_t x, int32_t y) { return f.At(uint32_t(x), uint32_t(y))[0] > kInk; }

bool InQuad(const Quad& q, int32_t x, int32_t y, float margin) {
  return x + 0.5f >= q.x0 - margin && x + 0.5f <= q.x1 + margin && y + 0.5f >= q.y0 - margin &&
         y + 0.5f <= q.y1 + margin;
}

// Every ink pixel lies in one of the texts' glyph quads (one pixel of slack) and in its box; every
// glyph with a visible size shows ink.
void ExpectTextsWhereLaidOut(const Frame& f, const std::vector<DrawnText>& texts) {
  ASSERT_EQ(f.width, uint32_t(kWidth));
  int stray = 0, ink = 0;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      if (!Inked(f, x, y)) continue;
      ++ink;
      bool placed = false;
      for (const DrawnText& t : texts) {
        const bool inBox = x >= t.box.x && x < t.box.x + t.box.width && y >= t.box.y &&
                           y < t.box.y + t.box.height;
        for (const Quad& q : t.quads) placed = placed || (inBox && InQuad(q, x, y, 1.0f));
      }
      stray += !placed;
    }
  EXPECT_GT(ink, 50);
  EXPECT_EQ(stray, 0);
  for (const DrawnText& t : texts)
    for (const Quad& q : t.quads) {
      if (q.x1 - q.x0 < 3 || q.y1 - q.y0 < 3) continue;
      bool any = false;
      for (int32_t y = int32_t(q.y0); y < int32_t(q.y1) && !any; ++y)
        for (int32_t x = int32_t(q.x0); x < int32_t(q.x1) && !any; ++x) any = Inked(f, x, y);
      EXPECT_TRUE(any) << "no ink in the glyph at " << q.x0 << ", " << q.y0;
    }
  // Each glyph shows the coverage of its atlas texels as they were when the text was laid out,
  // even when the atlas grew later in the frame: white over black, so red equals coverage.
  // Pixels where two quads overlap are left out.
  int compared = 0, wrong = 0;
  for (const DrawnText& t : texts)
    for (size_t k = 0; k < t.quads.size(); ++k) {
      const uint32_t pageW = t.pageWidth, pageH = t.pageHeight;
      const Quad& q = t.quads[k];
      const int32_t u = int32_t(t.uvs[k].x * pageW + 0.5f), v = int32_t(t.uvs[k].y * pageH + 0.5f);
      for (int32_t j = 0; j < int32_t(q.y1 - q.y0); ++j)
        for (int32_t i = 0; i < int32_t(q.x1 - q.x0); ++i) {
          const int32_t x = int32_t(q.x0) + i, y = int32_t(q.y0) + j;
          if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
          int covering = 0;
          for (const DrawnText& o : texts)
            for (const Quad& oq : o.quads) covering += InQuad(oq, x, y, 0.0f);
          if (covering != 1) continue;
          const int expected = t.page[size_t(v + j) * pageW + size_t(u + i)];
          const int got = f.At(uint32_t(x), uint32_t(y))[0];
          ++compared;
          wrong += std::abs(got - expected) > 3;
        }
    }
  EXPECT_GT(compared, 200);
  EXPECT_EQ(wrong, 0) << "of " << compared << " glyph pixels";
  if (testing::Test::HasFailure()) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    SaveFailedFrame(f, std::string("text.") + info->name());
  }
}

class TextEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    gScene = new Scene();
    ASSERT_TRUE(StartRendererInWindow(&gScene->window, kWidth, kHeight));
    gRenderer.ClearColor(0, 0, 0, 1);
    gRenderer.uploadsPending = true;
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();

    ShaderProgram* p = &gScene->program;
    ASSERT_TRUE(ShaderProgram::CompileFile(p, "data/Kestra/shaders/text"));  // the game's own
    const ShaderConstant constants[2] = {{"pos", 0, 3}, {"scale", 0, 3}};
    ShaderProgram::SetupInputLayout(p, kTextVertexFormat, constants, 2);
    ASSERT_TRUE(ShaderProgram::CreatePipelineStates(p));

    gRenderer.BeginFrame();
    FontAtlas& atlas = gScene->atlas;
    ASSERT_TRUE(atlas.LoadFontFile(kGameFontPath));
    atlas.pixelSize = 40;
    UseGpuTextures(&atlas);
    Queue(&atlas, "Kestra ");
    ASSERT_TRUE(atlas.BakePendingGlyphs());
    ASSERT_NE(atlas.pages[0].slot, kNoTextureSlot);
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();
    // The constant ring makes room for a block size on its first pushes: warm it up.
    for (int i = 0; i < 4; ++i) RunFrame([] { DrawText("K", {0, 0, 100, 60}); });
    gScene->ready = true;
  }
};

const testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new TextEnvironment());

class TextFrames : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gScene && gScene->ready) << "the renderer did not start"; }
};

}  // namespace

TEST_F(TextFrames, LaidOutStringAppearsInItsBoxAndNowhereElse) {
  std::vector<DrawnText> texts;
  Frame f = RunFrame([&] { texts.push_back(DrawText("Kestra", {40, 60, 240, 70})); });
  ASSERT_EQ(texts[0].quads.size(), 6u);
  ExpectTextsWhereLaidOut(f, texts);
}

TEST_F(TextFrames, NewCharacterGrowsTheAtlasMidFrameAndDrawsInThatFrame) {
  FontAtlas& atlas = gScene->atlas;
  const uint32_t glyphsBefore = atlas.glyphCount;
  std::vector<DrawnText> texts;
  Frame f = RunFrame([&] {
    texts.push_back(DrawText("Kestra", {10, 120, 300, 60}));
    // W, Q and the digits are not in the atlas yet: it grows while this frame is drawn.
    texts.push_back(DrawText("WQ 2048", {10, 20, 300, 60}));
  });
  EXPECT_GT(atlas.glyphCount, glyphsBefore);
  ASSERT_EQ(texts[1].quads.size(), 7u);
  ExpectTextsWhereLaidOut(f, texts);
}

TEST_F(TextFrames, PageWhoseSlotWasTakenBackGetsItsOwnSlotAgain) {
  FontAtlas& atlas = gScene->atlas;
  const uint32_t slot = atlas.pages[0].slot;
  // The renderer takes the page's slot back and hands it to a solid red texture.
  Texture red;
  red.width = 4;
  red.height = 4;
  red.bytesPerTexel = 4;
  red.format = kTextureFormatRgba8;
  std::vector<uint8_t> texels(4 * 4 * 4, 0);
  for (size_t i = 0; i < texels.size(); i += 4) texels[i] = 255, texels[i + 3] = 255;
  std::vector<DrawnText> texts;
  Frame f = RunFrame([&] {
    gRenderer.FreeTextureSlot(slot);
    ASSERT_TRUE(Texture::Create(&red, texels.data(), kTextureLevelOnly));
    ASSERT_EQ(red.slot, slot);
    texts.push_back(DrawText("Kestra", {40, 60, 240, 70}));
  });
  EXPECT_NE(atlas.pages[0].slot, red.slot);
  ExpectTextsWhereLaidOut(f, texts);
  // Ink is white: the glyphs came from the atlas, not from the red texture.
  bool green = false;
  for (int32_t y = 0; y < kHeight && !green; ++y)
    for (int32_t x = 0; x < kWidth && !green; ++x) green = f.At(uint32_t(x), uint32_t(y))[1] > kInk;
  EXPECT_TRUE(green);
  Texture::ReleaseSlot(&red);
}

TEST_F(TextFrames, PageWhoseTextureCouldNotBeMadeIsMadeAgainAtALaterFrame) {
  FontAtlas& atlas = gScene->atlas;
  const uint32_t maxSide = gRenderer.maxTextureSide;
  std::vector<DrawnText> texts;
  std::string out;
  for (int run = 0; run < 2; ++run) {
    // The page has no texture and the renderer refuses pages of its size for two frames.
    gRenderer.maxTextureSide = 64;
    testing::internal::CaptureStdout();
    RunFrame([&] {
      Texture::ReleaseSlot(&atlas.pages[0]);
      atlas.Rebuild();
    });
    RunFrame([&] { EnsureAtlasTextures(&atlas); });
    out += testing::internal::GetCapturedStdout();
    EXPECT_EQ(atlas.pages[0].slot, kNoTextureSlot);
    gRenderer.maxTextureSide = maxSide;
    texts.clear();
    Frame f = RunFrame([&] { texts.push_back(DrawText("Kestra", {40, 60, 240, 70})); });
    ExpectTextsWhereLaidOut(f, texts);
  }
  // Each run of failures is reported when it starts, not at every try.
  size_t reports = 0;
  for (size_t at = out.find("cannot make"); at != std::string::npos;
       at = out.find("cannot make", at + 1))
    ++reports;
  EXPECT_EQ(reports, 2u) << out;
}

TEST_F(TextFrames, RebuildAtOtherSizesKeepsSlotsDistinctAndDraws) {
  FontAtlas& atlas = gScene->atlas;
  atlas.maxPageSide = 256;
  atlas.pixelSize = 150;
  atlas.Rebuild();
  EXPECT_GE(atlas.pageCount, 2u);
  atlas.pixelSize = 30;
  atlas.Rebuild();
  EXPECT_EQ(atlas.pageCount, 1u);
  // Slots left behind are given back once the frames that could draw with them are submitted.
  std::vector<DrawnText> texts;
  for (int frame = 0; frame < 2; ++frame) {
    texts.clear();
    Frame f = RunFrame([&] { texts.push_back(DrawText("Kestra", {40, 60, 240, 70})); });
    ExpectTextsWhereLaidOut(f, texts);
  }
  for (uint32_t s = 0; s < kTextureSlotCount; ++s) {
    const Texture* owner = gRenderer.textureSlots[s].owner;
    if (owner >= atlas.pages.data() && owner < atlas.pages.data() + atlas.pages.capacity()) {
      EXPECT_EQ(owner, &atlas.pages[0]) << "slot " << s << " still names a dropped page";
    }
  }
}
