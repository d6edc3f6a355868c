// The quad mesh's upload: the one place the mesh readers meet the renderer.
#include "mesh/mesh_loader.h"
#include "render/mesh_handle.h"

void MeshHandle::LoadQuadMesh(MeshHandle* mesh) {
  LoadMesh();
  // Only whole vertices and whole triangles go to the GPU; the store keeps everything it read.
  // A missing or refused file uploads whatever the store held (empty at start-up).
  const MeshStore& store = gMeshStore;
  MeshHandle::Upload(mesh, store.vertices.data(), MeshStoreVertexCount(store),
                     store.indices.data(), MeshStoreTriangleIndexCount(store), store.format);
}
