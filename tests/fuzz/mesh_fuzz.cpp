// Any bytes as a binary .mesh: refused whole or loaded with every index inside the vertices.
#include <cstddef>
#include <cstdint>

#include "mesh/binary_mesh.h"
#include "mesh/smooth_normals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MeshStore store;
  if (!ReadBinaryMesh(data, size, &store)) {
    if (!store.vertices.empty() || !store.indices.empty() || store.format != 0) __builtin_trap();
    return 0;
  }
  const uint32_t vertexCount = MeshStoreVertexCount(store);
  if (!IndicesWithinVertices(store.indices.data(), store.indices.size(), vertexCount))
    __builtin_trap();
  ComputeSmoothNormals(&store);
  return 0;
}
