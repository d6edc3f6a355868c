#pragma once
// The binary .mesh file, little-endian and packed:
//   u16 VertexFormat id, u32 vertex count V, u32 index count I,
//   V * stride f32 slots (integer slots carry their bit patterns), I u32 indices.
// Bytes after the indices are ignored. I need not be a multiple of 3.
#include <cstddef>
#include <cstdint>

#include "mesh/mesh_store.h"

constexpr size_t kBinaryMeshHeaderBytes = 10;

// Replaces the store's format, vertices and indices with the file's. A file that is short, names
// an unknown format or holds an index past V is refused whole: false, one report line, the store
// untouched.
bool ReadBinaryMesh(const uint8_t* bytes, size_t size, MeshStore* store);
bool LoadBinaryMeshFile(const char* path, MeshStore* store);
