#pragma once
// A MeshHandle names one uploaded mesh: a vertex and an index buffer in the renderer's tables.
// A SceneObject places a mesh with a texture. Portable records; the matrix arithmetic is
// portable too (render/mesh_handle.cpp), uploading and drawing are the Windows renderer's
// (render/mesh_handle_d3d12.cpp).
#include <cstdint>

#include "app/math.h"

struct Texture;
struct ShaderProgram;

struct MeshHandle {
  uint32_t vertexBuffer = 0xFFFFFFFFu;  // renderer vertex-buffer id; all bits set = none
  uint32_t indexBuffer = 0xFFFFFFFFu;   // renderer index-buffer id

  // Creates both buffers on a fresh handle, rewrites or replaces them on an uploaded one.
  // The vertices are in the given VertexFormat; indices are a 32-bit triangle list.
  static void Upload(MeshHandle* mesh, const float* vertices, uint32_t vertexCount,
                     const uint32_t* indices, uint32_t indexCount, int32_t vertexFormat);
  // Writes "modelMat", "inverseModelMat" and "mvMat" into the bound program and draws.
  static void Draw(const MeshHandle* mesh, const Mat4* model, const Mat4* modelView);

  // Count-prefixed arrays: a u64 count directly in front of the handles, all made as none.
  static MeshHandle* NewArray(uint64_t count);
  static uint64_t ArrayCount(const MeshHandle* first);
  // Gives every uploaded handle's ids back to the renderer (last handle first) and frees the
  // block. Null does nothing.
  static void DeleteArray(MeshHandle* first);
  // Frees a count-prefixed block without touching the renderer (ids already given back).
  static void FreeArrayBlock(MeshHandle* first);

  // Loads the quad mesh into the mesh store and uploads it; defined with the mesh readers.
  static void LoadQuadMesh(MeshHandle* mesh);
};

struct SceneObject {
  MeshHandle* mesh = nullptr;
  Texture* texture = nullptr;
  Vec3 position = {0, 0, 0};
  Vec3 scale = {1, 1, 1};
  Quat rotation = {0, 0, 0, 1};
  Vec3 origin = {0, 0, 0};

  // Binds the texture and draws the mesh with the bound program; an object without a mesh or
  // texture draws nothing.
  static void Draw(const SceneObject* object, const Mat4* view);
};

// translate(-origin) x scale x rotate x translate(position), for row vectors.
Mat4 SceneObjectModelMatrix(const SceneObject& object);
// a x b in the usual sense (with row vectors: a applied first).
Mat4 MatMul(const Mat4& a, const Mat4& b);
// The per-object constants MeshHandle::Draw writes: "modelMat" (16 floats), "inverseModelMat"
// (the inverse of the model's upper-left 3x3, one row per 16-byte register) and "mvMat".
void WriteMatrixConstants(ShaderProgram* program, const Mat4& model, const Mat4& modelView);
