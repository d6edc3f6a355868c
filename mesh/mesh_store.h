#pragma once
// The program's one scratch mesh: every mesh reader fills it, the quad-mesh upload copies it to
// the GPU. Readers resize the arrays but never clear them; a reader that rejects a file leaves
// the store exactly as it was.
#include <cstdint>
#include <vector>

#include "mesh/vertex_format.h"

struct MeshStore {
  std::vector<float> vertices;    // interleaved slots in the layout of `format`
  std::vector<uint32_t> indices;  // triangle list, three per triangle
  VertexFormat format = 0;        // only the binary reader changes it
};

extern MeshStore gMeshStore;
