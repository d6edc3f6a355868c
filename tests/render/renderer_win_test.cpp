// The Direct3D 12 renderer drawing real frames under Wine, read back from the back buffer.
// One renderer and one window serve every case, as in the game; each case draws its own frames.
// Colours are compared per channel with a tolerance of 2 (blending rounds), exact for clears.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/files.h"
#include "render/mesh_handle.h"
#include "render/mips.h"
#include "render/renderer.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "tests/render/frame_capture_win.h"

namespace {

constexpr int32_t kWidth = 200;
constexpr int32_t kHeight = 150;
constexpr int kTolerance = 2;

// Wine's HLSL subset: one return at the end of each function, row_major matrices.
const char kShader[] = R"(
cbuffer Constants : register(b0) {
  row_major float4x4 mvMat;
  row_major float4x4 projMat;
  float4 color;
};
Texture2D tex : register(t0);
SamplerState samp : register(s0);
struct VSIn {
  float3 pos : POSITION;
  float2 uv : TEXCOORD;
  float3 col : COLOR;
  float3 nrm : NORMAL;
};
struct VSOut {
  float4 pos : SV_Position;
  float2 uv : TEXCOORD0;
};
VSOut VSMain(VSIn i) {
  VSOut o;
  o.pos = mul(mul(float4(i.pos, 1.0), mvMat), projMat);
  o.uv = i.uv;
  return o;
}
float4 PSMain(VSOut i) : SV_Target {
  float4 c = tex.Sample(samp, i.uv) * color;
  return c;
}
)";

struct Scene {
  TestWindow window;
  ShaderProgram program;
  ShaderProgram bigProgram;  // the same shaders with a 768-byte constant block
  MeshHandle quad;
  Texture white;
  bool ready = false;
};
Scene* gScene = nullptr;

bool WriteText(const char* path, const char* text) {
  return WriteWholeFile(path, text, std::strlen(text));
}

void MakeProgram(ShaderProgram* p, std::vector<ShaderConstant> constants) {
  ASSERT_TRUE(ShaderProgram::CompileFile(p, "render_test_shader"));
  ShaderProgram::SetupInputLayout(p, 0, constants.data(), uint32_t(constants.size()));
  ASSERT_TRUE(ShaderProgram::CreatePipelineStates(p));
}

// Unit quad in format 0 (position 3, uv 2, colour 3, normal 3), counter-clockwise.
void UploadQuad(MeshHandle* mesh) {
  const float v[4][11] = {{0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 1},
                          {1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1},
                          {1, 1, 0, 1, 1, 1, 1, 1, 0, 0, 1},
                          {0, 1, 0, 0, 1, 1, 1, 1, 0, 0, 1}};
  const uint32_t i[6] = {0, 1, 2, 0, 2, 3};
  MeshHandle::Upload(mesh, &v[0][0], 4, i, 6, 0);
}

bool MakeSolidTexture(Texture* t, uint16_t w, uint16_t h, uint8_t r, uint8_t g, uint8_t b,
                      uint8_t a) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (size_t i = 0; i < px.size(); i += 4) px[i] = r, px[i + 1] = g, px[i + 2] = b, px[i + 3] = a;
  t->width = w;
  t->height = h;
  t->bytesPerTexel = 4;
  t->format = kTextureFormatRgba8;
  return Texture::Create(t, px.data(), kTextureLevelOnly);
}

// Draws a quad in client pixels (origin bottom left) with the texture tinted by the colour.
void DrawQuad(ShaderProgram* program, Texture* texture, float x, float y, float w, float h,
              float z, float r, float g, float b, float a) {
  ShaderProgram::Bind(program);
  Mat4 proj = IdentityMat4();
  proj.m[0] = 2.0f / gRenderer.viewport.Width;
  proj.m[5] = 2.0f / gRenderer.viewport.Height;
  proj.m[12] = -1.0f;
  proj.m[13] = -1.0f;
  WriteShaderConstant(program, "projMat", proj.m, 16);
  const float colour[4] = {r, g, b, a};
  WriteShaderConstant(program, "color", colour, 4);
  SceneObject o;
  o.mesh = &gScene->quad;
  o.texture = texture;
  o.position = {x, y, z};
  o.scale = {w, h, 1};
  const Mat4 view = IdentityMat4();
  SceneObject::Draw(&o, &view);
}

// Runs one frame: begin, the drawing, a capture of the back buffer, end, GPU wait.
Frame RunFrame(const std::function<void()>& draw) {
  gRenderer.BeginFrame();
  draw();
  Frame f;
  EXPECT_TRUE(EndFrameWithCapture(&f));
  return f;
}

std::string CurrentTestName() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

// Expects a pixel's colour; on a mismatch the frame is kept as a PNG for a person to look at.
void ExpectPixel(const Frame& f, uint32_t x, uint32_t y, int r, int g, int b, int a,
                 int tolerance = kTolerance) {
  if (PixelNear(f, x, y, r, g, b, a, tolerance)) return;
  const uint8_t* p = x < f.width && y < f.height ? f.At(x, y) : nullptr;
  ADD_FAILURE() << "pixel (" << x << ", " << y << ") is "
                << (p ? std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                            std::to_string(p[2]) + " " + std::to_string(p[3])
                      : std::string("outside the frame"))
                << ", expected " << r << " " << g << " " << b << " " << a;
  SaveFailedFrame(f, CurrentTestName());
}

bool DeviceAlive() { return gRenderer.device && gRenderer.device->GetDeviceRemovedReason() == S_OK; }

class RendererEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    gScene = new Scene();
    ASSERT_TRUE(StartRendererInWindow(&gScene->window, kWidth, kHeight));
    // The first frame, as WinMain makes it; the game then loads into the frame it begins.
    gRenderer.PresentFirstFrame();

    ASSERT_TRUE(WriteText("render_test_shader.hlsl", kShader));
    MakeProgram(&gScene->program, {{"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}});
    MakeProgram(&gScene->bigProgram,
                {{"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}, {"spare", 0, 120}});
    UploadQuad(&gScene->quad);
    ASSERT_TRUE(MakeSolidTexture(&gScene->white, 1, 1, 255, 255, 255, 255));
    // Warm the constant ring: the first draws of a block size only make room for later frames.
    for (int i = 0; i < 4; ++i) {
      DrawQuad(&gScene->program, &gScene->white, 0, 0, 1, 1, 0, 1, 1, 1, 1);
    }
    gRenderer.EndFrame();
    gRenderer.WaitForGpu();
    gScene->ready = true;
  }
};

const testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new RendererEnvironment());

class RendererFrames : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gScene && gScene->ready) << "the renderer did not start";
  }
  ShaderProgram* program() { return &gScene->program; }
  Texture* white() { return &gScene->white; }
};

}  // namespace

TEST_F(RendererFrames, ClearColoursReadBackExactly) {
  Frame f = RunFrame([] { gRenderer.ClearColor(0.2f, 0.4f, 0.6f, 1.0f); });
  ASSERT_EQ(f.width, uint32_t(kWidth));
  ASSERT_EQ(f.height, uint32_t(kHeight));
  for (uint32_t y : {0u, 75u, 149u}) {
    for (uint32_t x : {0u, 100u, 199u}) ExpectPixel(f, x, y, 51, 102, 153, 255, 0);
  }
  // The game's clear is white with alpha 0.
  f = RunFrame([] { gRenderer.Clear(); });
  ExpectPixel(f, 10, 10, 255, 255, 255, 0, 0);
}

namespace {

// A 24-bit BMP of 6 x 4 texels (rows padded to 20 bytes): bottom-left red, bottom-right green,
// top-left blue, top-right yellow.
std::vector<uint8_t> QuadrantBmp() {
  const uint32_t w = 6, h = 4, row = 20, size = 54 + row * h;
  std::vector<uint8_t> f(size, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  f[26] = 1;
  f[28] = 24;
  put32(34, row * h);
  for (uint32_t y = 0; y < h; ++y) {  // stored bottom row first
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &f[54 + y * row + x * 3];
      const bool top = y >= 2, right = x >= 3;
      uint8_t r = 0, g = 0, b = 0;
      if (!top && !right) r = 255;
      if (!top && right) g = 255;
      if (top && !right) b = 255;
      if (top && right) r = g = 255;
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  return f;
}

void ExpectQuadrants(const Frame& f, float texelPixels) {
  const uint32_t lx = uint32_t(1.5f * texelPixels), rx = uint32_t(4.5f * texelPixels);
  const uint32_t by = uint32_t(1.0f * texelPixels), ty = uint32_t(3.0f * texelPixels);
  ExpectPixel(f, lx, by, 255, 0, 0, 255);
  ExpectPixel(f, rx, by, 0, 255, 0, 255);
  ExpectPixel(f, lx, ty, 0, 0, 255, 255);
  ExpectPixel(f, rx, ty, 255, 255, 0, 255);
}

}  // namespace

TEST_F(RendererFrames, TexturedQuadShowsBmpAndPngTexels) {
  std::vector<uint8_t> bmp = QuadrantBmp();
  ASSERT_TRUE(WriteWholeFile("render_test_quadrants.bmp", bmp.data(), bmp.size()));
  // The same picture as an RGBA PNG, rows top first.
  std::vector<uint8_t> rgba(6 * 4 * 4);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 6; ++x) {
      const bool top = y < 2, right = x >= 3;
      uint8_t* p = &rgba[(y * 6 + x) * 4];
      p[0] = (!top && !right) || (top && right) ? 255 : 0;
      p[1] = right ? 255 : 0;
      p[2] = top && !right ? 255 : 0;
      p[3] = 255;
    }
  }
  std::vector<uint8_t> png = EncodePng(6, 4, 4, rgba.data());
  ASSERT_TRUE(WriteWholeFile("render_test_quadrants.png", png.data(), png.size()));

  Texture fromBmp, fromPng;
  ASSERT_TRUE(Texture::Load(&fromBmp, "render_test_quadrants.bmp"));
  ASSERT_TRUE(Texture::Load(&fromPng, "render_test_quadrants.png"));
  EXPECT_EQ(fromBmp.format, kTextureFormatRgba8);
  EXPECT_EQ(fromBmp.width, 6);
  EXPECT_EQ(fromPng.height, 4);
  EXPECT_EQ(fromBmp.sampler, 0u);  // linear, mirror
  // 6 x 4 has a chain of 3 levels down to 1 x 1... min side 4 gives 3 levels.
  EXPECT_EQ(gRenderer.textureSlots[fromPng.slot].viewDesc.Texture2D.MipLevels, 3u);

  // 20 pixels a texel: quadrant centres sit on texel centres, so linear filtering is exact.
  Frame a = RunFrame([&] {
    gRenderer.Clear();
    DrawQuad(program(), &fromBmp, 0, 0, 120, 80, 0, 1, 1, 1, 1);
  });
  ExpectQuadrants(a, 20.0f);
  Frame b = RunFrame([&] {
    gRenderer.Clear();
    DrawQuad(program(), &fromPng, 0, 0, 120, 80, 0, 1, 1, 1, 1);
  });
  ExpectQuadrants(b, 20.0f);
  Texture::ReleaseSlot(&fromBmp);
  Texture::ReleaseSlot(&fromPng);

  // A file that does not decode leaves the record as it was and takes no slot.
  ASSERT_TRUE(WriteText("render_test_bad.png", "\x89PNG\r\n\x1a\n truncated"));
  Texture bad;
  bad.width = 7;
  EXPECT_FALSE(Texture::Load(&bad, "render_test_bad.png"));
  EXPECT_FALSE(Texture::Load(&bad, "render_test_missing.bmp"));
  EXPECT_EQ(bad.slot, kNoTextureSlot);
  EXPECT_EQ(bad.width, 7);
}

TEST_F(RendererFrames, MinifiedPngSamplesItsMipChain) {
  // A one-texel black and white checker: level 0 point-sampled gives only 0 or 255, the mip
  // levels hold its smoothed grey.
  std::vector<uint8_t> rgb(64 * 64 * 3);
  for (uint32_t y = 0; y < 64; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const uint8_t v = ((x + y) & 1) ? 255 : 0;
      uint8_t* p = &rgb[(y * 64 + x) * 3];
      p[0] = p[1] = p[2] = v;
    }
  }
  std::vector<uint8_t> png = EncodePng(64, 64, 3, rgb.data());
  ASSERT_TRUE(WriteWholeFile("render_test_checker.png", png.data(), png.size()));
  Texture checker;
  ASSERT_TRUE(Texture::Load(&checker, "render_test_checker.png"));
  EXPECT_EQ(gRenderer.textureSlots[checker.slot].viewDesc.Texture2D.MipLevels, 7u);
  Texture::UsePointFilter(&checker);
  EXPECT_EQ(checker.sampler, 4u);
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(1, 0, 0, 1);
    DrawQuad(program(), &checker, 0, 0, 8, 8, 0, 1, 1, 1, 1);
    DrawQuad(program(), &checker, 20, 0, 64, 64, 0, 1, 1, 1, 1);  // level 0, one texel a pixel
  });
  // An 8 x 8 quad samples level 3 (8 x 8 texels) texel for pixel; its values are what the mip
  // generator makes of the texels as loaded (bottom row first, RGBA).
  std::vector<uint8_t> chain(MipChainBytes(64, 64, 4));
  for (uint32_t y = 0; y < 64; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const uint8_t* s = &rgb[((63 - y) * 64 + x) * 3];
      uint8_t* d = &chain[(y * 64 + x) * 4];
      d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
    }
  }
  uint32_t levels = 0;
  GenerateMips(chain.data(), 64, 64, &levels, 4);
  const uint8_t* level3 = chain.data() + (64 * 64 + 32 * 32 + 16 * 16) * 4;
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 8; ++x) {
      const uint8_t* t = level3 + (y * 8 + x) * 4;
      ExpectPixel(f, x, y, t[0], t[1], t[2], 255);
    }
  }
  EXPECT_GT(level3[0], 0);  // not level 0's black or white
  EXPECT_LT(level3[0], 255);
  const uint8_t* p0 = f.At(20 + 10, 10);
  const uint8_t* p1 = f.At(20 + 11, 10);
  EXPECT_TRUE((p0[0] == 0 && p1[0] == 255) || (p0[0] == 255 && p1[0] == 0))
      << int(p0[0]) << " " << int(p1[0]);
  Texture::ReleaseSlot(&checker);
}

TEST_F(RendererFrames, AlphaBlendsOverTheBackground) {
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 1, 1);
    DrawQuad(program(), white(), 10, 10, 50, 50, 0, 1, 0, 0, 0.5f);
    DrawQuad(program(), white(), 100, 10, 50, 50, 0, 1, 1, 1, 0.25f);
  });
  ExpectPixel(f, 30, 30, 128, 0, 127, 128);
  ExpectPixel(f, 120, 30, 64, 64, 255, 64);
  ExpectPixel(f, 80, 30, 0, 0, 255, 255, 0);
}

TEST_F(RendererFrames, FourDepthStatesFollowTheRendererFlags) {
  // Per state: a blue blocker at depth 0.3 over the left half (test and write), then red at 0.5
  // in the state under test, then green at 0.7 with test only. Left shows whether red was
  // tested, right whether it wrote depth.
  struct Case {
    bool test, write;
    int left[3], right[3];
  };
  const Case cases[4] = {{true, true, {0, 0, 255}, {255, 0, 0}},
                         {false, true, {255, 0, 0}, {255, 0, 0}},
                         {true, false, {0, 0, 255}, {0, 255, 0}},
                         {false, false, {255, 0, 0}, {0, 255, 0}}};
  for (const Case& c : cases) {
    Frame f = RunFrame([&] {
      gRenderer.Clear();
      gRenderer.depthTest = true;
      gRenderer.depthWrite = true;
      DrawQuad(program(), white(), 0, 0, 50, 100, 0.3f, 0, 0, 1, 1);
      gRenderer.depthTest = c.test;
      gRenderer.depthWrite = c.write;
      DrawQuad(program(), white(), 0, 0, 100, 100, 0.5f, 1, 0, 0, 1);
      gRenderer.depthTest = true;
      gRenderer.depthWrite = false;
      DrawQuad(program(), white(), 0, 0, 100, 100, 0.7f, 0, 1, 0, 1);
    });
    SCOPED_TRACE(std::string("test ") + (c.test ? "on" : "off") + ", write " +
                 (c.write ? "on" : "off"));
    ExpectPixel(f, 25, 50, c.left[0], c.left[1], c.left[2], 255);
    ExpectPixel(f, 75, 50, c.right[0], c.right[1], c.right[2], 255);
  }
  gRenderer.depthTest = true;
  gRenderer.depthWrite = false;
}

TEST_F(RendererFrames, ScissorClipsAndStaysForTheNextFrame) {
  Frame f = RunFrame([&] {
    gRenderer.Clear();
    gRenderer.SetScissor(10, 20, 110, 70);  // corners from the bottom left
    DrawQuad(program(), white(), 0, 0, float(kWidth), float(kHeight), 0, 1, 0, 0, 1);
  });
  EXPECT_EQ(gRenderer.scissor.top, kHeight - 70);
  EXPECT_EQ(gRenderer.scissor.bottom, kHeight - 20);
  ExpectPixel(f, 10, 20, 255, 0, 0, 255);
  ExpectPixel(f, 109, 69, 255, 0, 0, 255);
  ExpectPixel(f, 9, 30, 255, 255, 255, 0);
  ExpectPixel(f, 50, 19, 255, 255, 255, 0);
  ExpectPixel(f, 110, 30, 255, 255, 255, 0);
  ExpectPixel(f, 50, 70, 255, 255, 255, 0);
  // Kept for the next frame; the clear ignores it, the draw does not.
  Frame g = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(program(), white(), 0, 0, float(kWidth), float(kHeight), 0, 0, 1, 0, 1);
  });
  ExpectPixel(g, 50, 50, 0, 255, 0, 255);
  ExpectPixel(g, 150, 100, 0, 0, 0, 255);
  gRenderer.SetScissor(0, 0, kWidth, kHeight);
}

namespace {

int gResizeCalls = 0;
void CountResize(void* argument) {
  ++gResizeCalls;
  *static_cast<float*>(argument) = gRenderer.viewport.Width;
}

}  // namespace

TEST_F(RendererFrames, ResizeFollowsTheWindowAndCallsBackOnceAtTheNextFrame) {
  static float seenWidth = 0;
  static bool registered = false;
  if (!registered) gRenderer.AddResizeCallback(CountResize, &seenWidth);
  registered = true;
  gResizeCalls = 0;
  gScene->window.SetClientSize(240, 180);
  gScene->window.SetClientSize(260, 190);
  EXPECT_EQ(gResizeCalls, 0);
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 1, 0, 1);
    DrawQuad(program(), white(), 250, 180, 10, 10, 0, 1, 0, 0, 1);
  });
  EXPECT_EQ(gResizeCalls, 1);
  EXPECT_EQ(seenWidth, 260.0f);
  EXPECT_EQ(f.width, 260u);
  EXPECT_EQ(f.height, 190u);
  ExpectPixel(f, 255, 185, 255, 0, 0, 255);
  ExpectPixel(f, 245, 185, 0, 255, 0, 255);
  D3D12_RESOURCE_DESC depth;
  gRenderer.depthBuffer->GetDesc(&depth);
  EXPECT_EQ(depth.Width, 260u);
  EXPECT_EQ(depth.Height, 190u);

  Frame g = RunFrame([] { gRenderer.ClearColor(1, 0, 0, 1); });
  EXPECT_EQ(gResizeCalls, 1);
  gScene->window.SetClientSize(kWidth, kHeight);
  g = RunFrame([] { gRenderer.ClearColor(1, 0, 0, 1); });
  EXPECT_EQ(gResizeCalls, 2);
  EXPECT_EQ(g.width, uint32_t(kWidth));
  EXPECT_TRUE(DeviceAlive());
}

TEST_F(RendererFrames, MinimisedWindowKeepsTheSwapChainAndRenderingGoesOn) {
  // A minimised window reports a 0 x 0 client area, which the window procedure passes on.
  gRenderer.Resize(0, 0);
  Frame f = RunFrame([&] {
    gRenderer.Clear();
    DrawQuad(program(), white(), 0, 0, 10, 10, 0, 1, 0, 0, 1);
  });
  DXGI_SWAP_CHAIN_DESC1 desc;
  gRenderer.swapChain->GetDesc1(&desc);
  EXPECT_EQ(desc.Width, uint32_t(kWidth));
  EXPECT_EQ(desc.Height, uint32_t(kHeight));
  EXPECT_TRUE(gRenderer.depthBuffer != nullptr);
  EXPECT_TRUE(DeviceAlive());
  gRenderer.Resize(kWidth, kHeight);
  Frame g = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 1, 1);
    DrawQuad(program(), white(), 0, 0, 10, 10, 0, 1, 0, 0, 1);
  });
  EXPECT_EQ(g.width, uint32_t(kWidth));
  ExpectPixel(g, 5, 5, 255, 0, 0, 255);
  ExpectPixel(g, 100, 100, 0, 0, 255, 255);
}

TEST_F(RendererFrames, FailedSwapChainResizeKeepsTheLastSizeEverywhere) {
  // A back buffer still referenced makes the swap chain refuse to resize; it keeps its buffers
  // while the window itself takes the new size.
  ComPtr<ID3D12Resource> held = gRenderer.backBuffers[0];
  gScene->window.SetClientSize(240, 180);
  // A quad through a full-frame scissor, as the game sets one after every text box, and a small
  // one in the corner.
  auto draw = [&] {
    gRenderer.ClearColor(0, 0, 1, 1);
    gRenderer.SetScissor(0, 0, kWidth, kHeight);
    DrawQuad(program(), white(), 0, 0, float(kWidth), float(kHeight), 0, 0, 1, 0, 1);
    DrawQuad(program(), white(), 0, 0, 10, 10, 0, 1, 0, 0, 1);
  };
  testing::internal::CaptureStdout();
  Frame f = RunFrame(draw);
  Frame again = RunFrame(draw);  // tried again at this frame begin, and refused again
  const std::string printed = testing::internal::GetCapturedStdout();
  const size_t report = printed.find("cannot resize the swap chain");
  EXPECT_NE(report, std::string::npos) << printed;
  EXPECT_EQ(printed.find("cannot resize the swap chain", report + 1), std::string::npos)
      << printed;
  for (const Frame* frame : {&f, &again}) {
    EXPECT_EQ(frame->width, uint32_t(kWidth));
    ExpectPixel(*frame, 5, 5, 255, 0, 0, 255);
    ExpectPixel(*frame, 100, 100, 0, 255, 0, 255);
    ExpectPixel(*frame, 100, 0, 0, 255, 0, 255);            // bottom row
    ExpectPixel(*frame, 100, kHeight - 1, 0, 255, 0, 255);  // top row
  }
  EXPECT_EQ(gRenderer.viewport.Width, float(kWidth));
  EXPECT_EQ(gRenderer.viewport.Height, float(kHeight));
  D3D12_RESOURCE_DESC depth;
  gRenderer.depthBuffer->GetDesc(&depth);
  EXPECT_EQ(depth.Width, uint64_t(kWidth));
  EXPECT_EQ(depth.Height, uint32_t(kHeight));
  held.Reset();
  // No new WM_SIZE: the next frame begin tries again and takes the window's size.
  Frame g = RunFrame([] { gRenderer.ClearColor(0, 1, 0, 1); });
  EXPECT_EQ(g.width, 240u);
  gRenderer.depthBuffer->GetDesc(&depth);
  EXPECT_EQ(depth.Width, 240u);
  ExpectPixel(g, 5, 5, 0, 255, 0, 255);
  gScene->window.SetClientSize(kWidth, kHeight);
  // The new depth buffer holds anything: cleared, as later cases draw without clearing it.
  RunFrame([] { gRenderer.Clear(); });
  EXPECT_TRUE(DeviceAlive());
}

TEST_F(RendererFrames, ShaderWithASyntaxErrorIsReportedAndItsDrawsSkipped) {
  ASSERT_TRUE(WriteText("render_test_broken.hlsl",
                        "float4 VSMain(float3 p : POSITION) : SV_Position { return p +; }\n"
                        "float4 PSMain() : SV_Target { return float4(1, 0, 0, 1); }\n"));
  ShaderProgram broken;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(ShaderProgram::CompileFile(&broken, "render_test_broken"));
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("render_test_broken.hlsl"), std::string::npos) << printed;
  const ShaderConstant c[] = {{"mvMat", 0, 16}, {"projMat", 0, 16}, {"color", 0, 4}};
  ShaderProgram::SetupInputLayout(&broken, 0, c, 3);
  EXPECT_FALSE(ShaderProgram::CreatePipelineStates(&broken));
  EXPECT_FALSE(ShaderProgram::CanDraw(&broken));

  ShaderProgram missing;
  EXPECT_FALSE(ShaderProgram::CompileFile(&missing, "render_test_no_such_shader"));

  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(program(), white(), 0, 0, 20, 20, 0, 0, 1, 0, 1);
    DrawQuad(&broken, white(), 0, 0, 100, 100, 0, 1, 0, 0, 1);  // skipped
    DrawQuad(program(), white(), 50, 50, 20, 20, 0, 0, 0, 1, 1);
  });
  ExpectPixel(f, 10, 10, 0, 255, 0, 255);
  ExpectPixel(f, 30, 30, 0, 0, 0, 255);
  ExpectPixel(f, 60, 60, 0, 0, 255, 255);
  EXPECT_TRUE(DeviceAlive());
}

TEST_F(RendererFrames, TextureRecreatedMidFrameDrawsTheNewContents) {
  Texture t;
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    ASSERT_TRUE(MakeSolidTexture(&t, 2, 2, 255, 0, 0, 255));
    DrawQuad(program(), &t, 0, 0, 20, 20, 0, 1, 1, 1, 1);
  });
  ExpectPixel(f, 10, 10, 255, 0, 0, 255);
  const uint32_t slot = t.slot;
  // As the glyph atlas grows in the middle of a text: the same slot gets a bigger texture.
  Frame g = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(program(), &t, 0, 0, 20, 20, 0, 1, 1, 1, 1);
    ASSERT_TRUE(MakeSolidTexture(&t, 8, 8, 0, 0, 255, 255));
    EXPECT_FALSE(gRenderer.retiredResources.empty());  // the old one lives until the GPU is done
    DrawQuad(program(), &t, 50, 0, 20, 20, 0, 1, 1, 1, 1);
  });
  EXPECT_EQ(t.slot, slot);
  EXPECT_TRUE(gRenderer.retiredResources.empty());
  ExpectPixel(g, 60, 10, 0, 0, 255, 255);
  EXPECT_TRUE(DeviceAlive());
  Texture::ReleaseSlot(&t);
}

TEST_F(RendererFrames, TextureWhoseSlotLostItsResourceSkipsTheDraw) {
  // As after a re-creation that failed: the texture keeps its slot, the slot holds nothing.
  Texture lost;
  ASSERT_TRUE(Texture::AllocSlot(&lost));
  gRenderer.textureSlots[lost.slot].texture.Reset();
  testing::internal::CaptureStdout();
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(program(), white(), 0, 0, 20, 20, 0, 0, 1, 0, 1);
    DrawQuad(program(), &lost, 0, 0, 40, 40, 0, 1, 0, 0, 1);  // would sample white's table
    DrawQuad(program(), &lost, 0, 0, 40, 40, 0, 1, 0, 0, 1);
  });
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("holds no texture"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("holds no texture"), printed.rfind("holds no texture")) << printed;
  ExpectPixel(f, 10, 10, 0, 255, 0, 255);
  ExpectPixel(f, 30, 30, 0, 0, 0, 255, 0);
  Texture::ReleaseSlot(&lost);
}

TEST_F(RendererFrames, EmptyMeshMakesNoBufferAndDrawsNothing) {
  MeshHandle empty;
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    MeshHandle::Upload(&empty, nullptr, 0, nullptr, 0, 0);
    ShaderProgram::Bind(program());
    const Mat4 m = IdentityMat4();
    MeshHandle::Draw(&empty, &m, &m);
  });
  ASSERT_NE(empty.vertexBuffer, 0xFFFFFFFFu);
  ASSERT_NE(empty.indexBuffer, 0xFFFFFFFFu);
  EXPECT_FALSE(gRenderer.vertexBuffers[empty.vertexBuffer]);
  EXPECT_FALSE(gRenderer.indexBuffers[empty.indexBuffer]);
  ExpectPixel(f, 5, 5, 0, 0, 0, 255, 0);
  // A later upload with data makes real buffers under the same ids.
  const uint32_t vertexId = empty.vertexBuffer;
  UploadQuad(&empty);
  EXPECT_EQ(empty.vertexBuffer, vertexId);
  EXPECT_TRUE(gRenderer.vertexBuffers[vertexId]);
  EXPECT_TRUE(DeviceAlive());
}

TEST_F(RendererFrames, BuffersAreRewrittenInPlaceOrReplacedUnderTheSameId) {
  std::vector<float> v(101 * 11, 0.0f);
  std::vector<uint32_t> idx(300, 0);
  const uint32_t vb = gRenderer.CreateVertexBuffer(100, v.data(), 0);
  const uint32_t ib = gRenderer.CreateIndexBuffer(300, idx.data());
  EXPECT_EQ(gRenderer.UpdateVertexBuffer(vb, 60, v.data(), 0), vb);
  EXPECT_EQ(gRenderer.vertexBufferViews[vb].SizeInBytes, 100u * 44);
  EXPECT_EQ(gRenderer.UpdateVertexBuffer(vb, 101, v.data(), 0), vb);
  EXPECT_EQ(gRenderer.vertexBufferViews[vb].SizeInBytes, 101u * 44);
  EXPECT_EQ(gRenderer.UpdateIndexBuffer(ib, 6, idx.data()), ib);
  EXPECT_EQ(gRenderer.indexBufferViews[ib].indexCount, 6u);
  EXPECT_EQ(gRenderer.indexBufferViews[ib].view.SizeInBytes, 1200u);

  // Ids given back are taken again last in, first out.
  MeshHandle* array = MeshHandle::NewArray(2);
  UploadQuad(&array[0]);
  UploadQuad(&array[1]);
  const uint32_t first = array[0].vertexBuffer, second = array[1].vertexBuffer;
  MeshHandle::DeleteArray(array);
  EXPECT_EQ(gRenderer.CreateVertexBuffer(4, v.data(), 0), first);
  EXPECT_EQ(gRenderer.CreateVertexBuffer(4, v.data(), 0), second);
}

TEST_F(RendererFrames, RefusedBuffersLeaveNoHalfHandleAndIdsStayPut) {
  const std::vector<float> v(8 * 11, 0.0f);
  const uint32_t idx[6] = {0, 1, 2, 0, 2, 3};
  const uint32_t freeVertexIds = gRenderer.freeVertexIds.count;
  const size_t indexTable = gRenderer.indexBuffers.size();
  testing::internal::CaptureStdout();
  // 2^30 indices are 4 GiB, which a 32-bit view would wrap to 0 bytes.
  EXPECT_EQ(gRenderer.CreateIndexBuffer(1u << 30, nullptr), 0xFFFFFFFFu);
  MeshHandle tooMany;
  MeshHandle::Upload(&tooMany, v.data(), 4, nullptr, 1u << 30, 0);
  MeshHandle badFormat;
  MeshHandle::Upload(&badFormat, v.data(), 4, idx, 6, 99);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("indices exceed"), std::string::npos);
  for (const MeshHandle* h : {&tooMany, &badFormat}) {
    EXPECT_EQ(h->vertexBuffer, 0xFFFFFFFFu);
    EXPECT_EQ(h->indexBuffer, 0xFFFFFFFFu);
  }
  EXPECT_EQ(gRenderer.freeVertexIds.count, freeVertexIds + 1);  // the vertex id went back
  EXPECT_EQ(gRenderer.indexBuffers.size(), indexTable);

  // With the free stack full, a buffer that must grow still keeps its handle's id; giving ids
  // back to the full stack is reported once.
  MeshHandle mesh;
  UploadQuad(&mesh);
  const FreeIdStack saved = gRenderer.freeVertexIds;
  while (PushFreeId(&gRenderer.freeVertexIds, 0)) {
  }
  const uint32_t id = mesh.vertexBuffer;
  MeshHandle::Upload(&mesh, v.data(), 8, idx, 6, 0);
  EXPECT_EQ(mesh.vertexBuffer, id);
  EXPECT_EQ(gRenderer.vertexBufferViews[id].SizeInBytes, 8u * 44);
  testing::internal::CaptureStdout();
  gRenderer.GiveBackVertexBuffer(id);
  gRenderer.GiveBackVertexBuffer(id);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("not reused"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("not reused"), printed.rfind("not reused")) << printed;
  gRenderer.freeVertexIds = saved;
  gRenderer.vertexIdsFullReported = false;
}

TEST_F(RendererFrames, FullConstantClassSkipsTheDrawThenGrows) {
  // The big program's 768-byte block has no room yet in this renderer.
  const uint64_t skippedBefore = gRenderer.ring.skippedPushes;
  Frame f = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(&gScene->bigProgram, white(), 0, 0, 20, 20, 0, 1, 0, 0, 1);
  });
  EXPECT_EQ(gRenderer.ring.skippedPushes, skippedBefore + 1);
  ExpectPixel(f, 10, 10, 0, 0, 0, 255, 0);
  Frame g = RunFrame([&] {
    gRenderer.ClearColor(0, 0, 0, 1);
    DrawQuad(&gScene->bigProgram, white(), 0, 0, 20, 20, 0, 1, 0, 0, 1);
  });
  EXPECT_EQ(gRenderer.ring.skippedPushes, skippedBefore + 1);
  ExpectPixel(g, 10, 10, 255, 0, 0, 255);
  EXPECT_GE(gRenderer.ring.classes[2].capacity, 11u);
}

// Last of the frames: it leaves the ring at its largest, where no class can grow any more.
TEST_F(RendererFrames, ConstantRingGrowthStopsAtTheHeapLimit) {
  // 100,000 skipped pushes would book 1.1 million views; a shader-visible heap holds 1,000,000.
  const uint64_t skippedBefore = gRenderer.ring.skippedPushes;
  const std::vector<uint8_t> constants(256, 0);
  RunFrame([&] {
    for (int i = 0; i < 100000; ++i) gRenderer.PushConstants(constants.data(), constants.size());
  });
  EXPECT_GT(gRenderer.ring.skippedPushes, skippedBefore + 90000);
  RunFrame([] {});  // the frame begin that grows the ring
  // A ring that cannot be made leaves the one in use, with its heap and views, in place.
  ID3D12DescriptorHeap* heapBefore = gRenderer.cbvSrvHeap.Get();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(gRenderer.CreateConstantRing(uint64_t(1) << 50));
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("constant ring"), std::string::npos) << printed;
  EXPECT_EQ(gRenderer.cbvSrvHeap.Get(), heapBefore);
  for (int frame = 0; frame < 2; ++frame) {
    Frame f = RunFrame([&] {
      gRenderer.ClearColor(0, 0, 0, 1);
      DrawQuad(program(), white(), 0, 0, 20, 20, 0, 0, 1, 0, 1);
      DrawQuad(program(), white(), 50, 50, 20, 20, 0, 0, 0, 1, 1);
    });
    ExpectPixel(f, 10, 10, 0, 255, 0, 255);
    ExpectPixel(f, 60, 60, 0, 0, 255, 255);
    ExpectPixel(f, 30, 30, 0, 0, 0, 255, 0);
  }
  D3D12_DESCRIPTOR_HEAP_DESC heap;
  gRenderer.cbvSrvHeap->GetDesc(&heap);
  EXPECT_EQ(heap.NumDescriptors, kMaxShaderVisibleDescriptors);
  EXPECT_EQ(RingTotalBlocks(gRenderer.ring), kRingMaxBlocks);
  EXPECT_TRUE(DeviceAlive());
}

TEST(RendererStart, FailsCleanlyWithoutAWindow) {
  auto r = std::make_unique<Renderer>();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(r->Init());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("Renderer"), std::string::npos);
  // Nothing made, nothing drawn, nothing crashes.
  r->BeginFrame();
  r->Clear();
  r->EndFrame();
  r->WaitForGpu();
  EXPECT_EQ(r->CreateVertexBuffer(3, nullptr, 0), 0xFFFFFFFFu);
}
