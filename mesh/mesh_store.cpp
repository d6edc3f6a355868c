#include "mesh/mesh_store.h"

MeshStore gMeshStore;

uint32_t MeshStoreVertexCount(const MeshStore& store) {
  const int32_t stride = VertexFormatStride(store.format);
  if (stride <= 0) return 0;
  const size_t count = store.vertices.size() / size_t(stride);
  return count > UINT32_MAX ? UINT32_MAX : uint32_t(count);
}

uint32_t MeshStoreTriangleIndexCount(const MeshStore& store) {
  const size_t whole = store.indices.size() / 3 * 3;
  return whole > UINT32_MAX ? UINT32_MAX / 3 * 3 : uint32_t(whole);
}

bool IndicesWithinVertices(const uint32_t* indices, size_t count, uint32_t vertexCount) {
  for (size_t i = 0; i < count; ++i)
    if (indices[i] >= vertexCount) return false;
  return true;
}
