// Mesh benchmarks (native): loading a generated ~100k-vertex GLB against RapidJSON's bare parse
// of the same JSON plus a copy of its buffer, and smooth normals in one pass against the
// per-vertex walk over all triangles.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "mesh/gltf_load.h"
#include "mesh/smooth_normals.h"
#include "tests/mesh/gltf_builder.h"
#include "tests/mesh/smooth_normals_reference.h"

namespace {

// A side x side grid of vertices on a gentle bump, two triangles per cell.
void MakeGrid(uint32_t side, std::vector<float>* positions, std::vector<float>* normals,
              std::vector<float>* uvs, std::vector<uint32_t>* indices) {
  for (uint32_t y = 0; y < side; ++y)
    for (uint32_t x = 0; x < side; ++x) {
      const float fx = float(x) / float(side - 1), fy = float(y) / float(side - 1);
      positions->insert(positions->end(), {fx, fy, fx * (1 - fx) * fy * (1 - fy)});
      normals->insert(normals->end(), {0, 0, 1});
      uvs->insert(uvs->end(), {fx, fy});
    }
  for (uint32_t y = 0; y + 1 < side; ++y)
    for (uint32_t x = 0; x + 1 < side; ++x) {
      const uint32_t i = y * side + x;
      indices->insert(indices->end(), {i, i + 1, i + side + 1, i, i + side + 1, i + side});
    }
}

struct GlbModel {
  std::string json;
  std::vector<uint8_t> bin;
  std::vector<uint8_t> glb;
};

const GlbModel& Model() {
  static GlbModel model = [] {
    std::vector<float> p, n, t;
    std::vector<uint32_t> i;
    MakeGrid(317, &p, &n, &t, &i);  // 100,489 vertices
    GltfBuilder g;
    const uint32_t pa = g.Data(p, 5126, 3, "VEC3");
    const uint32_t na = g.Data(n, 5126, 3, "VEC3");
    const uint32_t ta = g.Data(t, 5126, 2, "VEC2");
    const uint32_t ia = g.Data(i, 5125, 1, "SCALAR");
    GlbModel m;
    m.json = g.Json("\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" +
                    std::to_string(pa) + ",\"NORMAL\":" + std::to_string(na) +
                    ",\"TEXCOORD_0\":" + std::to_string(ta) + "},\"indices\":" +
                    std::to_string(ia) + "}]}],\"nodes\":[{\"mesh\":0,\"translation\":[1,2,3]}]");
    m.bin = g.bin;
    m.glb = MakeGlb(m.json, m.bin);
    return m;
  }();
  return model;
}

void BM_BareParseAndBufferCopy(benchmark::State& state) {
  const GlbModel& m = Model();
  std::vector<uint8_t> copy(m.bin.size());
  for (auto _ : state) {
    rapidjson::Document doc;
    doc.Parse(m.json.data(), m.json.size());
    std::memcpy(copy.data(), m.bin.data(), m.bin.size());
    benchmark::DoNotOptimize(doc.IsObject());
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(m.glb.size()));
}

void BM_GlbLoad(benchmark::State& state) {
  const GlbModel& m = Model();
  MeshStore store;
  for (auto _ : state) {
    ReadGlbMesh(m.glb.data(), m.glb.size(), &store);
    benchmark::DoNotOptimize(store.vertices.data());
  }
  state.counters["vertices"] = double(MeshStoreVertexCount(store));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(m.glb.size()));
}

MeshStore GridStore(uint32_t side) {
  std::vector<float> p, n, t;
  MeshStore s;
  MakeGrid(side, &p, &n, &t, &s.indices);
  s.format = 0;
  s.vertices.assign(size_t(11) * side * side, 0.0f);
  for (size_t v = 0; v < size_t(side) * side; ++v) std::memcpy(&s.vertices[11 * v], &p[3 * v], 12);
  return s;
}

void BM_SmoothNormalsOnePass(benchmark::State& state) {
  MeshStore s = GridStore(uint32_t(state.range(0)));
  for (auto _ : state) {
    ComputeSmoothNormals(&s);
    benchmark::DoNotOptimize(s.vertices.data());
  }
  state.counters["vertices"] = double(MeshStoreVertexCount(s));
}

void BM_SmoothNormalsPerVertexWalk(benchmark::State& state) {
  MeshStore s = GridStore(uint32_t(state.range(0)));
  for (auto _ : state) {
    ComputeSmoothNormalsQuadratic(&s);
    benchmark::DoNotOptimize(s.vertices.data());
  }
  state.counters["vertices"] = double(MeshStoreVertexCount(s));
}

}  // namespace

BENCHMARK(BM_BareParseAndBufferCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GlbLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmoothNormalsOnePass)->Arg(50)->Arg(100)->Arg(317)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmoothNormalsPerVertexWalk)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
