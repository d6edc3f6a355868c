#include "mesh/smooth_normals.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Normal {
  float x, y, z;
};

Normal ReadPosition(const float* vertices, size_t vertex, int32_t stride, int32_t at,
                    int32_t components) {
  const float* p = vertices + size_t(stride) * vertex + at;
  return {p[0], p[1], components >= 3 ? p[2] : 0.0f};
}

Normal UnitFaceNormal(const Normal& p0, const Normal& p1, const Normal& p2) {
  const Normal a = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
  const Normal b = {p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
  Normal n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  const float lengthSquared = n.x * n.x + n.y * n.y + n.z * n.z;
  // A degenerate face adds the zero vector; NaN is divided like any other length.
  if (lengthSquared != 0.0f) {
    const float length = std::sqrt(lengthSquared);
    n = {n.x / length, n.y / length, n.z / length};
  }
  return n;
}

}  // namespace

bool ComputeSmoothNormals(MeshStore* store) {
  const VertexFormat format = store->format;
  if (!IsValidVertexFormat(format) || kVertexFormats.normalOffset[format] < 0) return false;
  const int32_t stride = kVertexFormats.stride[format];
  const int32_t positionAt = kVertexFormats.positionOffset[format];
  const int32_t normalAt = kVertexFormats.normalOffset[format];
  const int32_t components = VertexFormatPositionComponents(format);
  const uint32_t vertexCount = MeshStoreVertexCount(*store);
  const size_t indexCount = MeshStoreTriangleIndexCount(*store);
  if (vertexCount == 0) return true;
  const uint32_t* indices = store->indices.data();
  if (!IndicesWithinVertices(indices, indexCount, vertexCount)) return false;

  // One pass over the triangles, adding each face to its (distinct) corners. Each vertex still
  // sums its faces in triangle order, so the result equals the per-vertex walk bit for bit.
  std::vector<Normal> sums(vertexCount);
  std::vector<uint8_t> used(vertexCount, 0);
  const float* vertices = store->vertices.data();
  for (size_t j = 0; j < indexCount; j += 3) {
    const uint32_t corner[3] = {indices[j], indices[j + 1], indices[j + 2]};
    const Normal n = UnitFaceNormal(ReadPosition(vertices, corner[0], stride, positionAt, components),
                                    ReadPosition(vertices, corner[1], stride, positionAt, components),
                                    ReadPosition(vertices, corner[2], stride, positionAt, components));
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = corner[c];
      if ((c >= 1 && v == corner[0]) || (c == 2 && v == corner[1])) continue;  // counted once
      if (!used[v]) {
        sums[v] = n;
        used[v] = 1;
      } else {
        sums[v] = {sums[v].x + n.x, sums[v].y + n.y, sums[v].z + n.z};
      }
    }
  }

  float* out = store->vertices.data();
  for (uint32_t v = 0; v < vertexCount; ++v) {
    Normal n = {0.0f, 0.0f, 1.0f};
    if (used[v]) {
      n = sums[v];
      const float lengthSquared = n.x * n.x + n.y * n.y + n.z * n.z;
      if (lengthSquared != 0.0f) {
        const float length = std::sqrt(lengthSquared);
        n = {n.x / length, n.y / length, n.z / length};
      }
    }
    float* slot = out + size_t(stride) * v + normalAt;
    slot[0] = n.x;
    slot[1] = n.y;
    slot[2] = n.z;
  }
  return true;
}

void ComputeSmoothNormals() { ComputeSmoothNormals(&gMeshStore); }
