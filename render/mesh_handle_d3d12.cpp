// Mesh handles and scene objects on the renderer: upload, draw, giving ids back.
#include "render/mesh_handle.h"

#include "render/renderer.h"
#include "render/shader_program.h"
#include "render/texture.h"

void MeshHandle::Upload(MeshHandle* mesh, const float* vertices, uint32_t vertexCount,
                        const uint32_t* indices, uint32_t indexCount, int32_t vertexFormat) {
  Renderer& r = gRenderer;
  const uint32_t none = 0xFFFFFFFFu;
  // Both ids or neither: a buffer the renderer refuses (reported there) leaves the handle as it
  // was, and an id taken for the other half goes back.
  const uint32_t vertexId =
      mesh->vertexBuffer != none
          ? r.UpdateVertexBuffer(mesh->vertexBuffer, vertexCount, vertices, vertexFormat)
          : r.CreateVertexBuffer(vertexCount, vertices, vertexFormat);
  if (vertexId == none) return;
  const uint32_t indexId = mesh->indexBuffer != none
                               ? r.UpdateIndexBuffer(mesh->indexBuffer, indexCount, indices)
                               : r.CreateIndexBuffer(indexCount, indices);
  if (indexId == none) {
    if (mesh->vertexBuffer == none) r.GiveBackVertexBuffer(vertexId);
    return;
  }
  mesh->vertexBuffer = vertexId;
  mesh->indexBuffer = indexId;
}

void MeshHandle::DeleteArray(MeshHandle* first) {
  if (!first) return;
  const uint64_t count = ArrayCount(first);
  for (uint64_t i = count; i-- > 0;) {
    MeshHandle& h = first[i];
    if (h.vertexBuffer != 0xFFFFFFFFu) gRenderer.GiveBackVertexBuffer(h.vertexBuffer);
    if (h.indexBuffer != 0xFFFFFFFFu) gRenderer.GiveBackIndexBuffer(h.indexBuffer);
    h.vertexBuffer = 0xFFFFFFFFu;
    h.indexBuffer = 0xFFFFFFFFu;
  }
  FreeArrayBlock(first);
}

void MeshHandle::Draw(const MeshHandle* mesh, const Mat4* model, const Mat4* modelView) {
  if (!gCurrentProgram) return;
  WriteMatrixConstants(gCurrentProgram, *model, *modelView);
  gRenderer.DrawIndexed(mesh->indexBuffer, mesh->vertexBuffer);
}

void SceneObject::Draw(const SceneObject* object, const Mat4* view) {
  // A texture that never loaded has no slot: drawing would sample whatever the descriptor table
  // last held (or nothing at the start of a frame, which the driver may not survive).
  if (!object->mesh || !object->texture || object->texture->slot == kNoTextureSlot) return;
  // A slot whose texture could not be made again binds nothing either.
  if (!Texture::Bind(object->texture)) return;
  const Mat4 model = SceneObjectModelMatrix(*object);
  const Mat4 modelView = MatMul(model, *view);
  MeshHandle::Draw(object->mesh, &model, &modelView);
}
