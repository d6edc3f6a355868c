#pragma once
// The program's one scratch mesh: every mesh reader fills it, the quad-mesh upload copies it to
// the GPU. Readers resize the arrays but never clear them; a reader that rejects a file leaves
// the store exactly as it was.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/vertex_format.h"

struct MeshStore {
  std::vector<float> vertices;    // interleaved slots in the layout of `format`
  std::vector<uint32_t> indices;  // triangle list, three per triangle
  VertexFormat format = 0;        // only the binary reader changes it
};

extern MeshStore gMeshStore;

// Whole vertices in the store (a trailing partial vertex is not counted); 0 for a bad format.
uint32_t MeshStoreVertexCount(const MeshStore& store);
// Indices of whole triangles only: the upload draws these, the store keeps every index.
uint32_t MeshStoreTriangleIndexCount(const MeshStore& store);

// True when every index names an existing vertex. Readers check this before anything uses
// the indices, so a bad file can never make the normals pass or the GPU read out of bounds.
bool IndicesWithinVertices(const uint32_t* indices, size_t count, uint32_t vertexCount);
