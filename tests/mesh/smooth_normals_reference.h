#pragma once
// The per-vertex walk over all triangles (cost V x I / 3) that ComputeSmoothNormals replaced;
// kept as the oracle its one-pass result must match bit for bit, and as the benchmark baseline.
#include <cmath>

#include "mesh/mesh_store.h"

inline void ComputeSmoothNormalsQuadratic(MeshStore* store) {
  const VertexFormat f = store->format;
  const size_t stride = size_t(kVertexFormats.stride[f]);
  const int32_t pos = kVertexFormats.positionOffset[f];
  const int32_t nrm = kVertexFormats.normalOffset[f];
  const size_t vertexCount = store->vertices.size() / stride;
  const size_t indexCount = store->indices.size() / 3 * 3;
  float* v = store->vertices.data();
  const uint32_t* idx = store->indices.data();
  for (size_t vertex = 0; vertex < vertexCount; ++vertex) {
    bool any = false;
    float sx = 0, sy = 0, sz = 0;
    for (size_t j = 0; j < indexCount; j += 3) {
      const uint32_t i0 = idx[j], i1 = idx[j + 1], i2 = idx[j + 2];
      if (vertex != i0 && vertex != i1 && vertex != i2) continue;
      const float* p0 = v + stride * i0 + pos;
      const float* p1 = v + stride * i1 + pos;
      const float* p2 = v + stride * i2 + pos;
      const float ax = p1[0] - p0[0], ay = p1[1] - p0[1], az = p1[2] - p0[2];
      const float bx = p2[0] - p1[0], by = p2[1] - p1[1], bz = p2[2] - p1[2];
      float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
      const float l = nx * nx + ny * ny + nz * nz;
      if (l != 0.0f) {
        const float s = std::sqrt(l);
        nx /= s, ny /= s, nz /= s;
      }
      if (!any) {
        sx = nx, sy = ny, sz = nz;
        any = true;
      } else {
        sx += nx, sy += ny, sz += nz;
      }
    }
    float nx = 0, ny = 0, nz = 1;
    if (any) {
      nx = sx, ny = sy, nz = sz;
      const float l = nx * nx + ny * ny + nz * nz;
      if (l != 0.0f) {
        const float s = std::sqrt(l);
        nx /= s, ny /= s, nz /= s;
      }
    }
    float* n = v + stride * vertex + nrm;
    n[0] = nx, n[1] = ny, n[2] = nz;
  }
}
