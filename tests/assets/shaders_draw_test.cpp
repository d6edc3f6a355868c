// The three shader files draw what the game expects through the real renderer: the backdrop and a
// sprite the right way up with their alpha blended, a flat "color" rectangle, and glyph coverage
// from an 8-bit atlas tinted by the vertex colour, all placed by the game's matrices and constants.
// Frames are read back from the swap chain; a failing frame is written to
// render_failures/shaders.<test>.png in the build folder for a person to look at.
#include <cstdint>

#include "render/d3d12_includes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/app_window.h"
#include "app/math.h"
#include "game/screen_layout.h"
#include "mesh/mesh_loader.h"
#include "mesh/mesh_store.h"
#include "mesh/vertex_format.h"
#include "render/mesh_handle.h"
#include "render/png_loader.h"
#include "render/renderer.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "tests/render/frame_capture_win.h"

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;

// Bottom-up RGBA texels of a PNG, as the game's loader gives them.
struct Picture {
  uint16_t width = 0, height = 0;
  uint32_t channels = 0;
  uint8_t* pixels = nullptr;
  explicit Picture(const char* path) { pixels = LoadPng(path, &width, &height, &channels); }
  ~Picture() { delete[] pixels; }
  const uint8_t* At(int x, int yFromBottom) const {
    return &pixels[(size_t(yFromBottom) * width + x) * channels];
  }
};

int Distance(const uint8_t* a, const uint8_t* b) {
  return std::max(std::abs(a[0] - b[0]), std::max(std::abs(a[1] - b[1]), std::abs(a[2] - b[2])));
}

class ShaderDrawTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Borderless, so that the client area is the whole 1280 x 720 test screen and one virtual
    // unit is one pixel.
    window_.style = WS_POPUP;
    const bool opened = window_.Open(kWidth, kHeight);
    const AppWindow& record = window_.record;
    gRenderer.window = &window_.record;
    gRenderer.Resize(record.ClientWidth(), record.ClientHeight());
    if (!opened || record.ClientWidth() != kWidth || record.ClientHeight() != kHeight) {
      problem_ = "no 1280 x 720 window";
      return;
    }
    if (!gRenderer.Init()) {
      problem_ = "renderer set-up failed";
      return;
    }
    // The start-up sequence of the game: a first black frame, then the frames proper.
    gRenderer.ClearColor(0, 0, 0, 1);
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();
    // Sized again after set-up, as the game does; the depth buffer follows at the next frame.
    gRenderer.Resize(kWidth, kHeight);
    const ShaderConstant matrices[] = {{"mvMat", 0, 16}, {"projMat", 0, 16}};
    const ShaderConstant rectangle[] = {{"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}};
    const ShaderConstant text[] = {{"pos", 0, 3}, {"scale", 0, 3}};
    if (!Build(&basicFixed_, "data/Kestra/shaders/basic-fixed", 0, matrices, 2) ||
        !Build(&color_, "data/Kestra/shaders/color", 0, rectangle, 3) ||
        !Build(&text_, "data/Kestra/shaders/text", kTextVertexFormat, text, 2)) {
      problem_ = "a shader program could not be built";
      return;
    }
    // The game's own quad file, so its texture coordinates meet the shaders as in the game.
    MeshStore quad;
    if (!LoadMeshFile(kQuadMeshPath, &quad)) {
      problem_ = "no quad mesh";
      return;
    }
    MeshHandle::Upload(&quad_, quad.vertices.data(), MeshStoreVertexCount(quad), quad.indices.data(),
                       MeshStoreTriangleIndexCount(quad), quad.format);
    ready_ = true;
    // The constant ring gives a size class room by the demand of earlier frames, so the draws
    // of the very first frame are skipped; one frame of draws primes it, as in the game.
    gRenderer.BeginFrame();
    gRenderer.Clear();
    ShaderProgram::Bind(&color_);
    SceneObject object;
    object.mesh = &quad_;
    // A texture that never loaded draws nothing, so the priming draw needs a real one.
    static Texture primer;
    primer.width = 1;
    primer.height = 1;
    primer.bytesPerTexel = 4;
    primer.format = kTextureFormatRgba8;
    const uint8_t clear[4] = {0, 0, 0, 0};
    Texture::Create(&primer, clear, kTextureLevelOnly);
    object.texture = &primer;
    Mat4 view = IdentityMat4();
    SceneObject::Draw(&object, &view);
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();
  }

  static bool Build(ShaderProgram* program, const char* path, int32_t format,
                    const ShaderConstant* constants, uint32_t count) {
    if (!ShaderProgram::CompileFile(program, path)) return false;
    ShaderProgram::SetupInputLayout(program, format, constants, count);
    return ShaderProgram::CreatePipelineStates(program);
  }

  void SetUp() override {
    ASSERT_TRUE(ready_) << problem_;
  }

  // The frame of each test starts cleared and with the projection set on the sprite program.
  void StartFrame() {
    if (!gRenderer.listOpen) gRenderer.BeginFrame();
    gRenderer.Clear();
    ShaderProgram::Bind(&basicFixed_);
    Mat4 projection = VirtualScreenProjection();
    WriteShaderConstant(&basicFixed_, "projMat", projection.m, 16);
  }

  void DrawObject(Texture* texture, Vec3 position, Vec3 scale) {
    SceneObject object;
    object.mesh = &quad_;
    object.texture = texture;
    object.position = position;
    object.scale = scale;
    Mat4 view = IdentityMat4();
    SceneObject::Draw(&object, &view);
  }

  void Finish(Frame* frame) {
    ASSERT_TRUE(EndFrameWithCapture(frame));
    ASSERT_EQ(frame->width, uint32_t(kWidth));
    ASSERT_EQ(frame->height, uint32_t(kHeight));
  }

  static TestWindow window_;
  static bool ready_;
  static const char* problem_;
  static ShaderProgram basicFixed_, color_, text_;
  static MeshHandle quad_;
};

TestWindow ShaderDrawTest::window_;
bool ShaderDrawTest::ready_ = false;
const char* ShaderDrawTest::problem_ = "";
ShaderProgram ShaderDrawTest::basicFixed_, ShaderDrawTest::color_, ShaderDrawTest::text_;
MeshHandle ShaderDrawTest::quad_;

TEST_F(ShaderDrawTest, BackdropAndSpriteShowUprightWithTheirAlpha) {
  Texture background, sprite;
  ASSERT_TRUE(Texture::Load(&background, "data/Kestra/images/bg.png"));
  ASSERT_TRUE(Texture::Load(&sprite, "data/Kestra/images/walk/right/1.png"));
  StartFrame();
  DrawObject(&background, {0, 220, -2}, {1280, 500, 1});
  // One texel per pixel, so the frame can be compared texel by texel.
  const int spriteX = 400, spriteY = 300;
  DrawObject(&sprite, {float(spriteX), float(spriteY), 1}, {120, 274, 1});
  Frame frame;
  Finish(&frame);

  Picture bg("data/Kestra/images/bg.png"), fighter("data/Kestra/images/walk/right/1.png");
  ASSERT_NE(bg.pixels, nullptr);
  ASSERT_NE(fighter.pixels, nullptr);
  ASSERT_EQ(fighter.channels, 4u);
  // Backdrop away from the sprite: its bottom row on screen row 220, its top on row 719. A
  // flipped or shifted image differs almost everywhere; filtering only touches edges.
  int backdropChecked = 0, backdropWrong = 0;
  for (int y = 220; y < 720; y += 7) {
    for (int x = 0; x < 1280; x += 11) {
      if (x >= spriteX - 2 && x < spriteX + 122) continue;
      ++backdropChecked;
      backdropWrong += Distance(frame.At(x, y), bg.At(x, y - 220)) > 24;
    }
  }
  // Sprite: opaque texels show their colour, clear ones show the backdrop behind them.
  int opaqueChecked = 0, opaqueWrong = 0, clearChecked = 0, clearWrong = 0;
  for (int y = 2; y < 272; ++y) {
    for (int x = 2; x < 118; ++x) {
      bool allOpaque = true, allClear = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          allOpaque &= fighter.At(x + dx, y + dy)[3] == 255;
          allClear &= fighter.At(x + dx, y + dy)[3] == 0;
        }
      const uint8_t* shown = frame.At(spriteX + x, spriteY + y);
      if (allOpaque) {
        ++opaqueChecked;
        opaqueWrong += Distance(shown, fighter.At(x, y)) > 24;
      } else if (allClear) {
        ++clearChecked;
        clearWrong += Distance(shown, bg.At(spriteX + x, spriteY + y - 220)) > 24;
      }
    }
  }
  EXPECT_LT(backdropWrong, backdropChecked / 50) << "of " << backdropChecked;
  EXPECT_GT(opaqueChecked, 2000);
  EXPECT_LT(opaqueWrong, opaqueChecked / 50) << "of " << opaqueChecked;
  EXPECT_GT(clearChecked, 2000);
  EXPECT_LT(clearWrong, clearChecked / 50) << "of " << clearChecked;
  // The clear colour stays below the backdrop, where the dialogue is drawn.
  EXPECT_EQ(Distance(frame.At(640, 100), (const uint8_t*)"\xff\xff\xff"), 0);
  if (HasFailure()) SaveFailedFrame(frame, "shaders.backdrop_and_sprite");
}

TEST_F(ShaderDrawTest, ColorRectangleBlendsItsConstantOverTheScene) {
  Texture blackPixel;
  ASSERT_TRUE(Texture::Load(&blackPixel, "data/Kestra/blackpixel.bmp"));
  StartFrame();
  ShaderProgram::Bind(&color_);
  Mat4 projection = VirtualScreenProjection();
  WriteShaderConstant(&color_, "projMat", projection.m, 16);
  const float opaqueRed[4] = {1, 0, 0, 1};
  WriteShaderConstant(&color_, "color", opaqueRed, 4);
  DrawObject(&blackPixel, {100, 100, -1}, {200, 100, 1});
  const float halfBlue[4] = {0, 0, 1, 0.5f};
  WriteShaderConstant(&color_, "color", halfBlue, 4);
  DrawObject(&blackPixel, {500, 100, -1}, {200, 100, 1});
  Frame frame;
  Finish(&frame);
  // The black pixel texture is bound but must not darken the colour.
  const uint8_t* red = frame.At(200, 150);
  EXPECT_EQ(red[0], 255);
  EXPECT_EQ(red[1], 0);
  EXPECT_EQ(red[2], 0);
  // Half blue over the white clear colour.
  const uint8_t* blend = frame.At(600, 150);
  EXPECT_NEAR(blend[0], 128, 2);
  EXPECT_NEAR(blend[1], 128, 2);
  EXPECT_EQ(blend[2], 255);
  // Outside the rectangles: still the clear colour.
  EXPECT_EQ(frame.At(400, 150)[0], 255);
  EXPECT_EQ(frame.At(400, 150)[1], 255);
  if (HasFailure()) SaveFailedFrame(frame, "shaders.color_rectangle");
}

TEST_F(ShaderDrawTest, TextQuadShowsAtlasCoverageInTheVertexColour) {
  // A 2 x 1 atlas page: full coverage on the left texel, none on the right.
  Texture page;
  page.width = 2;
  page.height = 1;
  page.bytesPerTexel = 1;
  page.format = kTextureFormatR8;
  Texture::UsePointFilter(&page);
  static const uint8_t coverage[2] = {255, 0};
  ASSERT_TRUE(Texture::Create(&page, coverage, kTextureLevelOnly));
  StartFrame();
  ShaderProgram::Bind(&text_);
  // A box at pixel (300, 400) of a 1280 x 720 viewport, 200 x 50 pixels, as the game sets it.
  const float W = kWidth, H = kHeight;
  const float pos[3] = {300 / W * 2 - 1, 400 / H * 2 - 1, 0};
  const float scale[3] = {2 / W * 0.9999f, 2 / H * 0.9999f, 0};
  WriteShaderConstant(&text_, "pos", pos, 3);
  WriteShaderConstant(&text_, "scale", scale, 3);
  // Glyph quad in box pixels, vertex format 8: x, y, u, v, r, g, b, a.
  const float vertices[] = {
      0,   0,  0, 0, 0, 0.9f, 0, 1,  //
      0,   50, 0, 1, 0, 0.9f, 0, 1,  //
      200, 0,  1, 0, 0, 0.9f, 0, 1,  //
      200, 50, 1, 1, 0, 0.9f, 0, 1,
  };
  // Both windings, so the check does not hang on the cull mode.
  const uint32_t indices[] = {0, 1, 2, 2, 1, 3, 0, 2, 1, 2, 3, 1};
  MeshHandle glyph;
  MeshHandle::Upload(&glyph, vertices, 4, indices, 12, kTextVertexFormat);
  Texture::Bind(&page);
  gRenderer.DrawIndexed(glyph.indexBuffer, glyph.vertexBuffer);
  Frame frame;
  Finish(&frame);
  const uint8_t* ink = frame.At(350, 425);
  EXPECT_NEAR(ink[0], 0, 2);
  EXPECT_NEAR(ink[1], 230, 2);
  EXPECT_NEAR(ink[2], 0, 2);
  const uint8_t* blank = frame.At(450, 425);
  EXPECT_EQ(blank[0], 255);
  EXPECT_EQ(blank[1], 255);
  EXPECT_EQ(blank[2], 255);
  // Placed by "pos" and "scale": nothing left of or below the box.
  EXPECT_EQ(frame.At(296, 425)[0], 255);
  EXPECT_EQ(frame.At(350, 396)[0], 255);
  if (HasFailure()) SaveFailedFrame(frame, "shaders.text_quad");
}

}  // namespace
