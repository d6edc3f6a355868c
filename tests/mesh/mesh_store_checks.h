#pragma once
// Checks of mesh stores shared by the mesh reader tests.
#include <gtest/gtest.h>

#include <cstddef>

#include "mesh/mesh_store.h"
#include "mesh/vertex_format.h"

// Format, vertices and indices all equal: a refused file leaves the store as it was.
inline void ExpectSameStore(const MeshStore& a, const MeshStore& b) {
  EXPECT_EQ(a.format, b.format);
  EXPECT_EQ(a.vertices, b.vertices);
  EXPECT_EQ(a.indices, b.indices);
}

// The floats of vertex i in the store's format.
inline const float* Vertex(const MeshStore& s, size_t i) {
  return s.vertices.data() + size_t(kVertexFormats.stride[s.format]) * i;
}
