// Any bytes as a .glb, or as .gltf text whose buffer is the input itself (the first byte picks
// the reader and the store's format): refused whole or loaded with every index inside the
// vertices; never an assertion, a hang or a bad read.
#include <cstddef>
#include <cstdint>

#include "mesh/gltf_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  MeshStore store;
  store.format = (data[0] >> 1) % kVertexFormatCount;
  const MeshStore before = store;
  bool loaded = false;
  if (data[0] & 1) {
    loaded = ReadGlbMesh(data + 1, size - 1, &store);
  } else {
    GltfModel model;
    if (ParseGltf(reinterpret_cast<const char*>(data + 1), size - 1, nullptr, &model))
      loaded = LoadGltfModelIntoStore(model, data + 1, size - 1, &store);
  }
  if (!loaded) {
    if (store.vertices != before.vertices || store.indices != before.indices) __builtin_trap();
    return 0;
  }
  if (!IndicesWithinVertices(store.indices.data(), store.indices.size(),
                             MeshStoreVertexCount(store)))
    __builtin_trap();
  return 0;
}
