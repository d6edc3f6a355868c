#pragma once
// Choosing a mesh reader for a path, and the program's one mesh: the quad every scene object
// draws.
#include "mesh/mesh_store.h"

constexpr const char* kQuadMeshPath = "data/Kestra/quad.mesh";

enum class MeshReader { kNone, kJson, kBinary, kGltf, kGlb };

// The reader is picked by the first of ".json", ".mesh", ".gltf", ".glb" that occurs anywhere
// in the path (not only at its end); stored paths rely on this order.
MeshReader PickMeshReader(const char* path);

// Fills the store with the reader PickMeshReader chooses; false when none applies or the file
// is refused (the store is then as it was).
bool LoadMeshFile(const char* path, MeshStore* store);

// The same readers on the quad mesh path and the global store.
bool LoadBinaryMesh();
bool LoadJsonMesh();
bool LoadGltfMesh();
bool LoadGlbMesh();
void LoadMesh();
