#include "mesh/binary_mesh.h"

#include <cstring>
#include <vector>

#include "app/byte_cursor.h"
#include "app/files.h"
#include "app/report.h"

static_assert(sizeof(float) == 4 && sizeof(uint32_t) == 4, "mesh slots are 4 bytes");

bool ReadBinaryMesh(const uint8_t* bytes, size_t size, MeshStore* store) {
  ByteCursor cursor(bytes, size);
  const uint16_t format = cursor.U16();
  const uint32_t vertexCount = cursor.U32();
  const uint32_t indexCount = cursor.U32();
  if (cursor.failed) {
    Report("mesh: file of %llu bytes is shorter than the 10-byte header", (unsigned long long)size);
    return false;
  }
  if (!IsValidVertexFormat(format)) {
    Report("mesh: unknown vertex format %u", unsigned(format));
    return false;
  }
  uint64_t slotCount = 0;
  MulFits(vertexCount, uint64_t(kVertexFormats.stride[format]), &slotCount);  // < 2^37
  const uint64_t vertexBytes = slotCount * 4;
  const uint64_t indexBytes = uint64_t(indexCount) * 4;
  if (!RangeFits(cursor.pos, vertexBytes, size) ||
      !RangeFits(cursor.pos + vertexBytes, indexBytes, size)) {
    Report("mesh: %u vertices and %u indices need more than the file's %llu bytes", vertexCount,
           indexCount, (unsigned long long)size);
    return false;
  }
  // The file's data is little-endian, as are the platforms this runs on: copy in bulk.
  const uint8_t* vertexData = cursor.Take(size_t(vertexBytes));
  const uint8_t* indexData = cursor.Take(size_t(indexBytes));
  std::vector<uint32_t> indices(indexCount);
  if (indexCount) std::memcpy(indices.data(), indexData, size_t(indexBytes));
  if (!IndicesWithinVertices(indices.data(), indices.size(), vertexCount)) {
    Report("mesh: an index points past the %u vertices", vertexCount);
    return false;
  }
  store->vertices.resize(size_t(slotCount));
  if (slotCount) std::memcpy(store->vertices.data(), vertexData, size_t(vertexBytes));
  store->indices = std::move(indices);
  store->format = format;
  return true;
}

bool LoadBinaryMeshFile(const char* path, MeshStore* store) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("mesh: cannot read %s", path);
    return false;
  }
  return ReadBinaryMesh(file.Bytes(), file.Size(), store);
}
