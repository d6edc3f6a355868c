// The binary .mesh reader, the JSON mesh reader, smooth normals and the choice of reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mesh/binary_mesh.h"
#include "mesh/json_mesh.h"
#include "mesh/mesh_loader.h"
#include "mesh/smooth_normals.h"
#include "mesh/vertex_write.h"
#include "tests/mesh/mesh_store_checks.h"
#include "tests/mesh/smooth_normals_reference.h"

namespace {

std::vector<uint8_t> MakeMeshFile(uint16_t format, const std::vector<float>& vertices,
                                  uint32_t vertexCount, const std::vector<uint32_t>& indices) {
  std::vector<uint8_t> out(10);
  std::memcpy(&out[0], &format, 2);
  std::memcpy(&out[2], &vertexCount, 4);
  const uint32_t indexCount = uint32_t(indices.size());
  std::memcpy(&out[6], &indexCount, 4);
  const size_t at = out.size();
  out.resize(at + 4 * vertices.size() + 4 * indices.size());
  if (!vertices.empty()) std::memcpy(&out[at], vertices.data(), 4 * vertices.size());
  if (!indices.empty())
    std::memcpy(&out[at + 4 * vertices.size()], indices.data(), 4 * indices.size());
  return out;
}

std::vector<float> Ramp(size_t count) {
  std::vector<float> v(count);
  for (size_t i = 0; i < count; ++i) v[i] = float(i) * 0.5f;
  return v;
}

MeshStore SentinelStore() {
  MeshStore s;
  s.vertices = {7, 7, 7};
  s.indices = {9};
  s.format = 2;
  return s;
}

void ExpectNormal(const MeshStore& s, size_t i, float x, float y, float z) {
  const float* n = Vertex(s, i) + kVertexFormats.normalOffset[s.format];
  EXPECT_NEAR(n[0], x, 1e-6f) << "vertex " << i;
  EXPECT_NEAR(n[1], y, 1e-6f) << "vertex " << i;
  EXPECT_NEAR(n[2], z, 1e-6f) << "vertex " << i;
}

TEST(BinaryMesh, RoundTripsFormatsAtTheirExactSizes) {
  const std::vector<uint32_t> quad = {0, 1, 2, 0, 2, 3};
  auto f0 = MakeMeshFile(0, Ramp(44), 4, quad);
  auto f8 = MakeMeshFile(8, Ramp(32), 4, quad);
  EXPECT_EQ(f0.size(), 210u);
  EXPECT_EQ(f8.size(), 162u);
  MeshStore s = SentinelStore();
  ASSERT_TRUE(ReadBinaryMesh(f8.data(), f8.size(), &s));
  EXPECT_EQ(s.format, 8);
  EXPECT_EQ(s.vertices, Ramp(32));
  EXPECT_EQ(s.indices, quad);
  ASSERT_TRUE(ReadBinaryMesh(f0.data(), f0.size(), &s));
  EXPECT_EQ(s.format, 0);
  EXPECT_EQ(s.vertices, Ramp(44));
}

TEST(BinaryMesh, KeepsAPartialTriangleAndIgnoresTrailingBytes) {
  auto file = MakeMeshFile(2, Ramp(15), 3, {0, 1, 2, 2, 1, 0, 1});
  file.push_back(0xAB);
  MeshStore s;
  ASSERT_TRUE(ReadBinaryMesh(file.data(), file.size(), &s));
  EXPECT_EQ(s.indices.size(), 7u);
  EXPECT_EQ(MeshStoreTriangleIndexCount(s), 6u);
}

TEST(BinaryMesh, TruncationAtEveryByteLeavesTheStoreUntouched) {
  const auto file = MakeMeshFile(0, Ramp(44), 4, {0, 1, 2, 0, 2, 3});
  for (size_t size = 0; size < file.size(); ++size) {
    // A copy of exactly `size` bytes, so the sanitizers see any read past it.
    std::vector<uint8_t> cut(file.begin(), file.begin() + long(size));
    MeshStore s = SentinelStore();
    EXPECT_FALSE(ReadBinaryMesh(cut.data(), cut.size(), &s)) << size;
    ExpectSameStore(s, SentinelStore());
  }
}

TEST(BinaryMesh, RefusesUnknownFormatsOutOfRangeIndicesAndHugeCounts) {
  MeshStore s = SentinelStore();
  auto badFormat = MakeMeshFile(13, Ramp(12), 4, {});
  EXPECT_FALSE(ReadBinaryMesh(badFormat.data(), badFormat.size(), &s));
  auto badIndex = MakeMeshFile(3, Ramp(9), 3, {0, 1, 3});
  EXPECT_FALSE(ReadBinaryMesh(badIndex.data(), badIndex.size(), &s));
  // Counts whose byte sizes overflow 32 bits must not wrap into something that fits.
  auto huge = MakeMeshFile(10, {}, 0, {});
  const uint32_t big = 0xFFFFFFFFu;
  std::memcpy(&huge[2], &big, 4);
  EXPECT_FALSE(ReadBinaryMesh(huge.data(), huge.size(), &s));
  ExpectSameStore(s, SentinelStore());
}

TEST(BinaryMesh, TheQuadMeshIsACounterClockwiseUnitSquare) {
  MeshStore s;
  ASSERT_TRUE(LoadMeshFile(kQuadMeshPath, &s));
  ASSERT_EQ(s.format, 0);
  ASSERT_EQ(MeshStoreVertexCount(s), 4u);
  ASSERT_EQ(s.indices.size(), 6u);
  for (size_t i = 0; i < 4; ++i) {
    const float* v = Vertex(s, i);
    EXPECT_TRUE(v[0] == 0.0f || v[0] == 1.0f);
    EXPECT_TRUE(v[1] == 0.0f || v[1] == 1.0f);
    EXPECT_EQ(v[3], v[0]);  // u = x
    EXPECT_EQ(v[4], v[1]);  // v = y
  }
  for (size_t t = 0; t < 6; t += 3) {
    const float* a = Vertex(s, s.indices[t]);
    const float* b = Vertex(s, s.indices[t + 1]);
    const float* c = Vertex(s, s.indices[t + 2]);
    const float cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    EXPECT_GT(cross, 0.0f) << "triangle " << t / 3;
  }
}

bool ReadJson(const std::string& text, MeshStore* s) {
  return ReadJsonMesh(text.data(), text.size(), s);
}

TEST(JsonMesh, ReadsNumbersOfAnyFormAndDefaultsMissingComponents) {
  MeshStore s;
  ASSERT_TRUE(ReadJson(R"({"model":{
      "vertices":[{"x":2,"y":-1.5},{"x":1e0,"y":0,"z":3},{"x":0,"y":1,"z":0}],
      "uvs":[{"u":0.25,"v":0.75}],
      "colors":[{"r":1,"g":0.5,"b":0}],
      "indices":[{"a":0,"b":1,"c":2}],
      "normals":[{"x":0,"y":0,"z":1}]}})", &s));
  ASSERT_EQ(s.vertices.size(), 33u);
  const float* v = Vertex(s, 0);
  EXPECT_EQ(v[0], 2.0f);
  EXPECT_EQ(v[1], -1.5f);
  EXPECT_EQ(v[2], 0.0f);  // no "z"
  EXPECT_EQ(v[3], 0.25f);
  EXPECT_EQ(v[4], 0.75f);  // no flip
  EXPECT_EQ(v[6], 0.5f);
  EXPECT_EQ(v[10], 1.0f);
  EXPECT_EQ(Vertex(s, 1)[2], 3.0f);
  // Vertices without a colour or normal entry keep zeros.
  EXPECT_EQ(Vertex(s, 1)[5], 0.0f);
  EXPECT_EQ(Vertex(s, 1)[10], 0.0f);
  EXPECT_EQ(s.indices, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(JsonMesh, WithoutNormalsGetsSmoothOnesAndUnusedVerticesFaceZ) {
  MeshStore s;
  ASSERT_TRUE(ReadJson(R"({"model":{"vertices":[{"x":0,"y":0,"z":0},{"x":0,"y":0,"z":1},
      {"x":0,"y":1,"z":0},{"x":5,"y":5,"z":5}],"indices":[{"a":0,"b":1,"c":2}]}})", &s));
  ExpectNormal(s, 0, -1, 0, 0);  // the triangle lies in x = 0, wound toward -x
  ExpectNormal(s, 3, 0, 0, 1);
}

TEST(JsonMesh, RefusesWrongTypesAndInconsistentCountsLeavingTheStore) {
  const char* bad[] = {
      "not json",
      R"([1,2])",
      R"({"model":[]})",
      R"({"model":{"vertices":{"x":1}}})",
      R"({"model":{"vertices":[{"x":"1"}]}})",
      R"({"model":{"vertices":[3]}})",
      R"({"model":{"vertices":[{"x":0}],"indices":[{"a":0,"b":0,"c":0.5}]}})",
      R"({"model":{"vertices":[{"x":0}],"uvs":[{"u":0},{"u":1}]}})",
      R"({"model":{"vertices":[{"x":0}],"normals":[{},{}]}})",
      R"({"model":{"vertices":[{"x":0}],"indices":[{"a":0,"b":0,"c":1}]}})",
      R"({"model":{"vertices":[{"x":0}],"indices":[{"a":-1}]}})",
      R"({"model":{"vertices":[]}} trailing)",
  };
  for (const char* text : bad) {
    MeshStore s = SentinelStore();
    EXPECT_FALSE(ReadJson(text, &s)) << text;
    ExpectSameStore(s, SentinelStore());
  }
  // Deep nesting fails cleanly rather than exhausting the stack.
  MeshStore s;
  EXPECT_FALSE(ReadJson(std::string(200000, '[') , &s));
}

TEST(JsonMesh, SkipsAttributesTheFormatLacksAndPacksFormat6Colours) {
  MeshStore s;
  s.format = 3;  // position only
  ASSERT_TRUE(ReadJson(R"({"model":{"vertices":[{"x":1,"y":2,"z":3}],"uvs":[{"u":9,"v":9}],
      "colors":[{"r":1}],"normals":[{"x":1}]}})", &s));
  EXPECT_EQ(s.vertices, (std::vector<float>{1, 2, 3}));
  s = MeshStore();
  s.format = 6;  // 2-D position, uv, packed colour
  ASSERT_TRUE(ReadJson(R"({"model":{"vertices":[{"x":1,"y":2,"z":3}],"uvs":[{"u":0.5,"v":0.25}],
      "colors":[{"r":1,"g":0,"b":1}]}})", &s));
  ASSERT_EQ(s.vertices.size(), 5u);
  EXPECT_EQ(s.vertices[2], 0.5f);  // z did not spill into u
  EXPECT_EQ(ReadSlotU32(&s.vertices[4]), 0xFFFF00FFu);
}

MeshStore StoreOfTriangles(const std::vector<float>& positions,
                           const std::vector<uint32_t>& indices) {
  MeshStore s;
  s.format = 1;  // position, uv, normal
  const size_t n = positions.size() / 3;
  s.vertices.assign(8 * n, 0.0f);
  for (size_t i = 0; i < n; ++i)
    std::memcpy(&s.vertices[8 * i], &positions[3 * i], 12);
  s.indices = indices;
  return s;
}

TEST(SmoothNormals, FollowFaceWindingAndCancelOpposites) {
  const std::vector<float> tri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  MeshStore one = StoreOfTriangles(tri, {0, 1, 2});
  ASSERT_TRUE(ComputeSmoothNormals(&one));
  for (size_t i = 0; i < 3; ++i) ExpectNormal(one, i, 0, 0, 1);

  MeshStore both = StoreOfTriangles(tri, {0, 1, 2, 0, 2, 1});
  ASSERT_TRUE(ComputeSmoothNormals(&both));
  for (size_t i = 0; i < 3; ++i) ExpectNormal(both, i, 0, 0, 0);

  // Two triangles of one plane (z = 2) with the same winding.
  MeshStore plane = StoreOfTriangles({0, 0, 2, 3, 0, 2, 3, 3, 2, 0, 3, 2}, {0, 1, 2, 0, 2, 3});
  ASSERT_TRUE(ComputeSmoothNormals(&plane));
  for (size_t i = 0; i < 4; ++i) ExpectNormal(plane, i, 0, 0, 1);
}

TEST(SmoothNormals, ACubeCornerPointsAlongTheDiagonal) {
  // The corner at the origin shares three outward faces (-x, -y, -z) of a unit cube.
  MeshStore s = StoreOfTriangles({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1},
                                 {0, 2, 1, 0, 1, 3, 0, 3, 2});
  ASSERT_TRUE(ComputeSmoothNormals(&s));
  const float k = -1.0f / std::sqrt(3.0f);
  ExpectNormal(s, 0, k, k, k);
  ExpectNormal(s, 1, 0, -std::sqrt(0.5f), -std::sqrt(0.5f));
}

TEST(SmoothNormals, OnePassEqualsThePerVertexWalkBitForBit) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-10, 10);
  const size_t n = 300;
  std::vector<float> positions(3 * n);
  for (float& p : positions) p = coord(rng);
  positions[3] = positions[0], positions[4] = positions[1], positions[5] = positions[2];
  std::vector<uint32_t> indices;
  for (int t = 0; t < 900; ++t)
    for (int c = 0; c < 3; ++c) indices.push_back(uint32_t(rng() % (n - 20)));
  indices.insert(indices.end(), {5, 5, 6, 7, 7, 7, 0, 1, 2});  // repeated and degenerate corners
  indices.push_back(3);  // a partial triangle is ignored
  MeshStore fast = StoreOfTriangles(positions, indices);
  MeshStore slow = fast;
  ASSERT_TRUE(ComputeSmoothNormals(&fast));
  ComputeSmoothNormalsQuadratic(&slow);
  ASSERT_EQ(fast.vertices.size(), slow.vertices.size());
  EXPECT_EQ(0, std::memcmp(fast.vertices.data(), slow.vertices.data(), 4 * fast.vertices.size()));
}

TEST(SmoothNormals, RefusesOutOfRangeIndicesAndFormatsWithoutNormals) {
  MeshStore s = StoreOfTriangles({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 3});
  const MeshStore before = s;
  EXPECT_FALSE(ComputeSmoothNormals(&s));
  ExpectSameStore(s, before);
  s.format = 2;
  EXPECT_FALSE(ComputeSmoothNormals(&s));
}

TEST(MeshLoader, PicksTheReaderByTheFirstSubstringFound) {
  EXPECT_EQ(PickMeshReader("data/Kestra/quad.mesh"), MeshReader::kBinary);
  EXPECT_EQ(PickMeshReader("a.json.mesh"), MeshReader::kJson);
  EXPECT_EQ(PickMeshReader("a.mesh.gltf"), MeshReader::kBinary);
  EXPECT_EQ(PickMeshReader("model.gltf"), MeshReader::kGltf);
  EXPECT_EQ(PickMeshReader("model.glb"), MeshReader::kGlb);
  EXPECT_EQ(PickMeshReader("model.obj"), MeshReader::kNone);
  MeshStore s = SentinelStore();
  EXPECT_FALSE(LoadMeshFile("model.obj", &s));
  EXPECT_FALSE(LoadMeshFile("tests/data/mesh/missing.mesh", &s));
  ExpectSameStore(s, SentinelStore());
}

TEST(MeshLoader, UploadCountsRoundDownToWholeVerticesAndTriangles) {
  MeshStore s;
  s.vertices.resize(23);
  s.indices.resize(10);
  EXPECT_EQ(MeshStoreVertexCount(s), 2u);
  EXPECT_EQ(MeshStoreTriangleIndexCount(s), 9u);
}

}  // namespace
