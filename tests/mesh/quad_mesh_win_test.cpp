// The game's quad mesh under Wine: loaded from data/Kestra/quad.mesh, uploaded, drawn with the
// game's sprite shader, and read back from the back buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/mesh_store.h"
#include "render/mesh_handle.h"
#include "render/renderer.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "tests/render/frame_capture_win.h"

namespace {

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;

void ExpectPixel(const Frame& f, uint32_t x, uint32_t y, int r, int g, int b, const char* what) {
  if (PixelNear(f, x, y, r, g, b, 255, 12)) return;
  const uint8_t* p = f.At(x, y);
  ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << int(p[0]) << " "
                << int(p[1]) << " " << int(p[2]) << ", expected " << r << " " << g << " " << b;
  SaveFailedFrame(f, "QuadMesh");
}

TEST(QuadMesh, LoadsFromItsFileAndDrawsTextureUpright) {
  TestWindow window;
  ASSERT_TRUE(StartRendererInWindow(&window, kWidth, kHeight));

  ShaderProgram program;
  ASSERT_TRUE(ShaderProgram::CompileFile(&program, "data/Kestra/shaders/basic-fixed"));
  const ShaderConstant constants[] = {{"mvMat", 0, 16}, {"projMat", 0, 16}};
  ShaderProgram::SetupInputLayout(&program, 0, constants, 2);
  ASSERT_TRUE(ShaderProgram::CreatePipelineStates(&program));

  gRenderer.BeginFrame();
  MeshHandle quad;
  MeshHandle::LoadQuadMesh(&quad);
  ASSERT_EQ(gMeshStore.format, 0);
  ASSERT_EQ(MeshStoreVertexCount(gMeshStore), 4u);
  ASSERT_EQ(gMeshStore.indices.size(), 6u);
  ASSERT_NE(quad.vertexBuffer, 0xFFFFFFFFu);

  // 2 x 2 texels, bottom row first: red, green below; blue, yellow above.
  const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
  Texture texture;
  texture.width = 2;
  texture.height = 2;
  texture.bytesPerTexel = 4;
  texture.format = kTextureFormatRgba8;
  ASSERT_TRUE(Texture::Create(&texture, texels, kTextureLevelOnly));
  gRenderer.EndFrame();
  gRenderer.WaitForGpu();

  // The unit quad scaled to 80 x 60 pixels at (40, 30), origin at the bottom left.
  Frame f;
  for (int frame = 0; frame < 3; ++frame) {  // the first draws only size the constant ring
    gRenderer.BeginFrame();
    gRenderer.ClearColor(0, 0, 0, 1);
    ShaderProgram::Bind(&program);
    Mat4 proj = IdentityMat4();
    proj.m[0] = 2.0f / float(kWidth);
    proj.m[5] = 2.0f / float(kHeight);
    proj.m[12] = -1.0f;
    proj.m[13] = -1.0f;
    WriteShaderConstant(&program, "projMat", proj.m, 16);
    SceneObject object;
    object.mesh = &quad;
    object.texture = &texture;
    object.position = {40, 30, 0};
    object.scale = {80, 60, 1};
    const Mat4 view = IdentityMat4();
    SceneObject::Draw(&object, &view);
    ASSERT_TRUE(EndFrameWithCapture(&f));
  }
  ExpectPixel(f, 60, 45, 255, 0, 0, "bottom left");
  ExpectPixel(f, 100, 45, 0, 255, 0, "bottom right");
  ExpectPixel(f, 60, 75, 0, 0, 255, "top left");
  ExpectPixel(f, 100, 75, 255, 255, 0, "top right");
  ExpectPixel(f, 20, 20, 0, 0, 0, "outside");
  ExpectPixel(f, 130, 100, 0, 0, 0, "outside");
}

}  // namespace
