// Any text as a JSON mesh, in a store of any format (the first byte picks it): refused whole or
// loaded with every index inside the vertices; never an assertion or a bad read.
#include <cstddef>
#include <cstdint>

#include "mesh/json_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  MeshStore store;
  store.format = data[0] % kVertexFormatCount;
  store.vertices.assign(size_t(data[0] % 3) * size_t(kVertexFormats.stride[store.format]), 1.0f);
  const MeshStore before = store;
  if (!ReadJsonMesh(reinterpret_cast<const char*>(data + 1), size - 1, &store)) {
    if (store.vertices != before.vertices || store.indices != before.indices) __builtin_trap();
    return 0;
  }
  if (store.vertices.size() % size_t(kVertexFormats.stride[store.format]) != 0) __builtin_trap();
  if (!IndicesWithinVertices(store.indices.data(), store.indices.size(),
                             MeshStoreVertexCount(store)))
    __builtin_trap();
  return 0;
}
