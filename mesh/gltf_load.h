#pragma once
// glTF 2.0 models into the mesh store: the first node that has a mesh, that mesh's first
// primitive, positions moved into the node's world frame, written in the store's current
// format. Every accessor, bufferView and index is checked against the bytes really present
// before anything is read; a model that fails any check loads nothing and leaves the store as
// it was.
#include <cstddef>
#include <cstdint>

#include "app/math.h"
#include "mesh/gltf_model.h"
#include "mesh/mesh_store.h"

// Elements that no bytes of the file back (an accessor without a bufferView reads as zeros)
// cost memory without costing file size, so a read accessor may have at most this many.
constexpr uint32_t kMaxGltfElementsWithoutData = 65536;

// The mesh of the first node (in `nodes` order) that has one, or null when none has, when its
// mesh index is out of range or when its ancestry loops. `world` receives the node's own
// transform when it has no parent, else the decomposed product local x parent x ... x root.
// `nodeOut` may be null.
const GltfMesh* FindFirstMeshNode(const GltfModel& model, Transform* world,
                                  const GltfNode** nodeOut);

// Copies the mesh's first primitive into the store, reading accessor data from `data`
// (buffer 0, `dataSize` bytes). False (one report line, store untouched) on any inconsistency.
bool BuildMeshFromPrimitive(const GltfModel& model, const GltfMesh& mesh, const uint8_t* data,
                            size_t dataSize, const Transform& world, MeshStore* store);

// FindFirstMeshNode + BuildMeshFromPrimitive; false when no node has a mesh.
bool LoadGltfModelIntoStore(const GltfModel& model, const uint8_t* data, size_t dataSize,
                            MeshStore* store);

// A .glb held in memory: header, JSON chunk (length at byte 12, text at 20), then the binary
// chunk (length at 20 + L, data at 28 + L) as buffer 0. Magic, version and chunk types are not
// required; both chunk lengths must fit the bytes present.
bool ReadGlbMesh(const uint8_t* bytes, size_t size, MeshStore* store);
bool LoadGlbMeshFile(const char* path, MeshStore* store);
// A .gltf file whose buffer 0 is the file its "uri" names, in the folder of `path`.
bool LoadGltfMeshFile(const char* path, MeshStore* store);
