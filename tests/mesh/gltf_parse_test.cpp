// ParseGltf: what lands in the model, the three rejections, and clean failure on wrong types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "mesh/gltf_model.h"

namespace {

bool Parse(const std::string& text, GltfModel* model, GltfBufferInfo* buffer = nullptr) {
  return ParseGltf(text.data(), text.size(), buffer, model);
}

std::string Doc(const std::string& members) {
  return R"({"asset":{"version":"2.0"})" + (members.empty() ? "" : "," + members) + "}";
}

TEST(GltfParse, AssetVersionAndBuffersDecideAcceptance) {
  GltfModel m;
  GltfBufferInfo b;
  b.uri = "untouched";
  ASSERT_TRUE(Parse(Doc(""), &m, &b));
  EXPECT_TRUE(m.nodes.empty() && m.accessors.empty() && m.meshes.empty());
  EXPECT_EQ(b.uri, "untouched");
  EXPECT_FALSE(b.present);

  for (const char* v : {"1.0", "2.9"}) {
    GltfModel ok;
    EXPECT_TRUE(Parse(std::string(R"({"asset":{"version":")") + v + "\"}}", &ok)) << v;
  }
  GltfModel rejected;
  EXPECT_FALSE(Parse(R"({"asset":{"version":"3.0"}})", &rejected));
  EXPECT_FALSE(Parse(R"({"nodes":[]})", &rejected));
  EXPECT_FALSE(Parse("garbage", &rejected));
  EXPECT_FALSE(Parse("", &rejected));
  // Bytes after the root value are never looked at.
  const char junk[] = "\0\x01 trailing junk {";
  EXPECT_TRUE(Parse(Doc("") + std::string(junk, sizeof junk - 1), &rejected));

  // More buffers are taken; buffer 0 is the one described (the loaders read no other).
  GltfModel two;
  ASSERT_TRUE(Parse(Doc(R"("buffers":[{"byteLength":1},{"byteLength":2,"uri":"anim.bin"}],
      "bufferViews":[{"buffer":1,"byteLength":1}])"), &two, &b));
  EXPECT_EQ(two.bufferViews[0].buffer, 1u);
  EXPECT_EQ(b.byteLength, 1u);
  EXPECT_FALSE(b.hasUri);
  EXPECT_TRUE(b.uri.empty());

  GltfModel one;
  ASSERT_TRUE(Parse(Doc(R"("buffers":[{"byteLength":840}])"), &one, &b));
  EXPECT_TRUE(b.present);
  EXPECT_FALSE(b.hasUri);
  EXPECT_EQ(b.byteLength, 840u);
}

TEST(GltfParse, AccessorsSizeTheirElementsAndStrides) {
  GltfModel m;
  ASSERT_TRUE(Parse(Doc(R"("bufferViews":[{"buffer":0,"byteLength":64},
      {"buffer":0,"byteLength":64,"byteStride":32,"byteOffset":4,"target":34962}],
    "accessors":[
      {"bufferView":0,"componentType":5126,"count":2,"type":"VEC3","min":[0,0,0],"max":[1,2,3]},
      {"bufferView":1,"componentType":5126,"count":2,"type":"VEC3","max":[1,2,3]},
      {"bufferView":0,"componentType":5123,"count":1,"type":"MAT2","byteOffset":8},
      {"bufferView":0,"componentType":5124,"count":1,"type":"VEC2"},
      {"componentType":5126,"count":4,"type":"SCALAR"}])"), &m));
  ASSERT_EQ(m.accessors.size(), 5u);
  const GltfAccessor& a = m.accessors[0];
  EXPECT_EQ(a.elementSize, 12u);
  EXPECT_EQ(a.view.byteStride, 12u);
  EXPECT_EQ(a.sparseOrNoView, 0);
  ASSERT_EQ(a.minMax.size(), 3u);
  float lo, hi;
  std::memcpy(&lo, a.minMax[2].bytes, 4);
  std::memcpy(&hi, a.minMax[2].bytes + 4, 4);
  EXPECT_EQ(lo, 0.0f);
  EXPECT_EQ(hi, 3.0f);
  EXPECT_EQ(m.accessors[1].view.byteStride, 32u);
  EXPECT_EQ(m.accessors[1].view.byteOffset, 4u);
  EXPECT_EQ(m.accessors[1].view.target, 34962);
  for (const GltfMinMax& mm : m.accessors[1].minMax)
    for (uint8_t byte : mm.bytes) EXPECT_EQ(byte, 0);  // "max" without "min"
  EXPECT_EQ(m.accessors[2].elementSize, 8u);
  EXPECT_EQ(m.accessors[2].minMax.size(), 4u);
  EXPECT_EQ(m.accessors[2].byteOffset, 8u);
  EXPECT_EQ(m.accessors[3].elementSize, 0u);
  EXPECT_EQ(m.accessors[3].view.byteStride, 0u);
  const GltfAccessor& noView = m.accessors[4];
  EXPECT_EQ(noView.sparseOrNoView, 1);
  EXPECT_EQ(noView.hasView, 0);
  EXPECT_EQ(noView.view.target, -1);
  EXPECT_EQ(noView.view.byteLength, 0u);
}

TEST(GltfParse, SparseAccessorsAreAnnouncedAndKeepTheirDenseData) {
  GltfModel m;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(Parse(Doc(R"("bufferViews":[{"buffer":0,"byteLength":12}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":1,"type":"VEC3",
        "sparse":{"count":3,"indices":{"bufferView":0,"componentType":5125},
                  "values":{"bufferView":0}}}])"), &m));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "TODO: treat sparse accessors: 3\n");
  EXPECT_EQ(m.accessors[0].sparseOrNoView, 1);
  EXPECT_EQ(m.accessors[0].hasView, 1);
  EXPECT_EQ(m.accessors[0].elementSize, 12u);
}

TEST(GltfParse, NodesTakeTheirMatrixOverTrsAndKeepDefaults) {
  const float c2 = std::cos(0.5f), s2 = std::sin(0.5f);  // rotation by 1 radian about z
  const std::string matrix = "[" + std::to_string(2 * c2 * c2 - 2 * s2 * s2) + "," +
                             std::to_string(2 * 2 * s2 * c2) + ",0,0," +
                             std::to_string(-3 * 2 * s2 * c2) + "," +
                             std::to_string(3 * (c2 * c2 - s2 * s2)) + ",0,0,0,0,4,0,5,6,7,1]";
  GltfModel m;
  ASSERT_TRUE(Parse(Doc(R"("nodes":[{"translation":[1,1,1],"matrix":)" + matrix +
                        R"(,"mesh":0,"name":"box"},{"children":[0]}])"), &m));
  ASSERT_EQ(m.nodes.size(), 2u);
  const GltfNode& n = m.nodes[0];
  EXPECT_EQ(n.translation[0], 5.0f);
  EXPECT_EQ(n.translation[2], 7.0f);
  EXPECT_NEAR(n.scale[0], 2.0f, 1e-5f);
  EXPECT_NEAR(n.scale[1], 3.0f, 1e-5f);
  EXPECT_NEAR(n.scale[2], 4.0f, 1e-5f);
  EXPECT_NEAR(std::fabs(n.rotation[2]), s2, 1e-5f);
  EXPECT_NEAR(std::fabs(n.rotation[3]), c2, 1e-5f);
  EXPECT_EQ(n.name, "box");
  const GltfNode& d = m.nodes[1];
  EXPECT_EQ(d.scale[0], 1.0f);
  EXPECT_EQ(d.rotation[3], 1.0f);
  EXPECT_EQ(d.mesh, -1);
  EXPECT_EQ(d.skin, -1);
  EXPECT_EQ(d.children, (std::vector<uint32_t>{0}));
}

TEST(GltfParse, MeshesMaterialsSkinsCamerasAndAnimations) {
  GltfModel m;
  ASSERT_TRUE(Parse(Doc(R"(
    "meshes":[{"primitives":[{"attributes":{"POSITION":1,"TEXCOORD_0":2,"FOO":9},"indices":0,
                              "targets":[{"POSITION":3,"NORMAL":4}]}],"weights":[0.5]}],
    "materials":[{"normalTexture":{"index":2,"texCoord":1,"scale":0.5},"alphaMode":"blend",
                  "doubleSided":1},
                 {"pbrMetallicRoughness":{"baseColorFactor":[0.1,0.2,0.3,0.4],
                   "baseColorTexture":{"index":1},"metallicFactor":0},
                  "alphaMode":"MASK","doubleSided":true,"emissiveFactor":[1,1,0]}],
    "skins":[{"joints":[1,2]}],
    "samplers":[{"magFilter":9728}],
    "textures":[{"source":1}],
    "images":[{"uri":"a.png","mimeType":"image/png"}],
    "cameras":[{"type":"perspective","perspective":{"aspectRatio":1.5,"yfov":0.8,"znear":0.1}},
               {"type":"orthographic","orthographic":{"xmag":2,"ymag":3,"zfar":10,"znear":1}}],
    "animations":[{"name":"walk",
      "channels":[{"sampler":2,"target":{"node":1,"path":"rotation"}},{"sampler":0,"target":{"path":"weights"}}],
      "samplers":[{"input":0,"output":1,"interpolation":"STEP"},{"input":-1,"output":1},
                  {"input":2,"output":3,"interpolation":"linear"}]}])"), &m));
  const GltfPrimitive& p = m.meshes[0].primitives[0];
  EXPECT_EQ(p.POSITION, 1);
  EXPECT_EQ(p.TEXCOORD_0, 2);
  EXPECT_EQ(p.NORMAL, -1);
  EXPECT_EQ(p.indices, 0);
  EXPECT_EQ(p.mode, -1);
  EXPECT_EQ(p.targets[0].POSITION, 3u);
  EXPECT_EQ(p.targets[0].TANGENT, 0u);
  EXPECT_EQ(m.meshes[0].weights, (std::vector<float>{0.5f}));

  const GltfMaterial& a = m.materials[0];
  EXPECT_EQ(a.normalTexture.index, 2);
  EXPECT_EQ(a.normalTexture.texCoord, 1);
  EXPECT_EQ(a.normalScale, 0.5f);
  EXPECT_EQ(a.baseColorFactor[0], 1.0f);
  EXPECT_EQ(a.metallicFactor, 1.0f);
  EXPECT_EQ(a.baseColorTexture.index, -1);
  EXPECT_EQ(a.alphaMode, 0);    // case matters
  EXPECT_EQ(a.doubleSided, 0);  // only JSON true counts
  EXPECT_EQ(a.alphaCutoff, 0.5f);
  const GltfMaterial& b = m.materials[1];
  EXPECT_EQ(b.baseColorFactor[3], 0.4f);
  EXPECT_EQ(b.baseColorTexture.index, 1);
  EXPECT_EQ(b.baseColorTexture.texCoord, 0);
  EXPECT_EQ(b.metallicFactor, 0.0f);
  EXPECT_EQ(b.alphaMode, 1);
  EXPECT_EQ(b.doubleSided, 1);
  EXPECT_EQ(b.emissiveFactor[1], 1.0f);

  EXPECT_EQ(m.skins[0].skeleton, 0);
  EXPECT_EQ(m.skins[0].inverseBindMatrices, -1);
  EXPECT_EQ(m.skins[0].joints.size(), 2u);
  EXPECT_EQ(m.samplers[0].magFilter, 9728u);
  EXPECT_EQ(m.samplers[0].minFilter, 9987u);
  EXPECT_EQ(m.samplers[0].wrapT, 10497u);
  EXPECT_EQ(m.textures[0].source, 1u);
  EXPECT_EQ(m.images[0].mimeType, "image/png");
  EXPECT_EQ(m.images[0].view.target, -1);
  EXPECT_EQ(m.cameras[0].type, 0);
  EXPECT_EQ(m.cameras[0].values[0], 1.5f);
  EXPECT_EQ(m.cameras[0].values[2], 0.0f);  // no zfar
  EXPECT_EQ(m.cameras[1].type, 1);
  EXPECT_EQ(m.cameras[1].values[3], 1.0f);

  const GltfAnimation& anim = m.animations[0];
  EXPECT_EQ(anim.name, "walk");
  ASSERT_EQ(anim.channels.size(), 2u);
  EXPECT_EQ(anim.channels[0].path, 1);
  EXPECT_EQ(anim.channels[0].node, 1);
  EXPECT_EQ(anim.channels[1].node, -1);
  EXPECT_EQ(anim.channels[1].path, 3);
  ASSERT_EQ(anim.samplers.size(), 2u);  // the one with input -1 is dropped
  EXPECT_EQ(anim.samplers[0].interpolation, 1);
  EXPECT_EQ(anim.samplers[1].input, 2u);
  EXPECT_EQ(anim.samplers[1].interpolation, 0);
}

TEST(GltfParse, WrongTypesAndDanglingViewsFailCleanlyLeavingTheModel) {
  const char* bad[] = {
      R"("nodes":{"mesh":0})",
      R"("nodes":[{"mesh":"0"}])",
      R"("nodes":[{"translation":[1,2]}])",
      R"("nodes":[{"children":[0.5]}])",
      R"("nodes":[{"mesh":4294967296}])",
      R"("nodes":[{"matrix":[1,0,0,0,0,1]}])",  // refused before any of it is decomposed
      R"("nodes":[{"matrix":"identity"}])",
      R"("nodes":[7])",
      R"("accessors":[{"bufferView":0,"componentType":5126,"count":1,"type":"VEC3"}])",
      R"("accessors":[{"componentType":5126,"count":1,"type":3}])",
      R"("accessors":[{"componentType":5126,"count":1,"type":"SCALAR","min":[0],"max":["1"]}])",
      R"("meshes":[{"primitives":[{"attributes":[]}]}])",
      R"("materials":[{"pbrMetallicRoughness":{"baseColorFactor":"red"}}])",
      R"("buffers":[{"uri":7}])",
      R"("buffers":{"uri":"a.bin"})",
      R"("animations":[{"channels":[{"target":{"path":1}}]}])",
  };
  for (const char* members : bad) {
    GltfModel m;
    GltfBufferInfo b;
    EXPECT_FALSE(Parse(Doc(members), &m, &b)) << members;
    EXPECT_TRUE(m.nodes.empty() && m.accessors.empty() && m.meshes.empty()) << members;
    EXPECT_FALSE(b.present);
  }
  GltfModel m;
  EXPECT_FALSE(Parse(R"({"asset":{"version":2}})", &m));
  EXPECT_FALSE(Parse(R"({"asset":[]})", &m));
  EXPECT_FALSE(Parse(std::string(100000, '{'), &m));
}

}  // namespace
