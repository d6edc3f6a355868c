// Vertex and index buffers (upload heap, written through a mapping) and indexed drawing.
#include <cstring>
#include <utility>

#include "app/report.h"
#include "mesh/vertex_format.h"
#include "render/renderer.h"
#include "render/shader_program.h"

namespace {

// An upload-heap buffer holding `bytes` of `data` (when given). Null when it cannot be made.
ComPtr<ID3D12Resource> MakeUploadBuffer(ID3D12Device* device, uint64_t bytes, const void* data) {
  ComPtr<ID3D12Resource> buffer;
  D3D12_HEAP_PROPERTIES heap = HeapOfType(D3D12_HEAP_TYPE_UPLOAD);
  D3D12_RESOURCE_DESC desc = BufferDesc(bytes);
  HRESULT hr = device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                               D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                               IID_PPV_ARGS(&buffer));
  if (FAILED(hr)) {
    Report("Renderer: cannot create a %llu-byte buffer (HRESULT 0x%08lx)",
           static_cast<unsigned long long>(bytes), static_cast<unsigned long>(hr));
    return nullptr;
  }
  return buffer;
}

bool WriteBuffer(ID3D12Resource* buffer, const void* data, uint64_t bytes) {
  if (!buffer || !data || bytes == 0) return true;
  D3D12_RANGE nothingRead = {0, 0};
  void* p = nullptr;
  if (FAILED(buffer->Map(0, &nothingRead, &p)) || !p) {
    Report("Renderer: cannot map a buffer for writing");
    return false;
  }
  std::memcpy(p, data, size_t(bytes));
  buffer->Unmap(0, nullptr);
  return true;
}

// Byte size of n vertices, or false when it does not fit the 32-bit views.
bool VertexBytes(uint32_t n, int32_t format, uint64_t* bytes) {
  const int32_t stride = VertexFormatStride(format);
  if (stride <= 0) {
    Report("Renderer: vertex format %d does not exist; the buffer is not made", format);
    return false;
  }
  *bytes = uint64_t(stride) * 4 * n;
  if (*bytes > 0xFFFFFFFFull) {
    Report("Renderer: %u vertices of format %d exceed a buffer's 4 GiB", n, format);
    return false;
  }
  return true;
}

// Byte size of n indices, or false when it does not fit the 32-bit view.
bool IndexBytes(uint32_t n, uint64_t* bytes) {
  *bytes = uint64_t(n) * 4;
  if (*bytes > 0xFFFFFFFFull) {
    Report("Renderer: %u indices exceed a buffer's 4 GiB", n);
    return false;
  }
  return true;
}

// The buffer of id made anew at its size (the old one retired). An empty mesh gets no
// zero-byte buffer, and draws nothing.
void MakeVertexBufferAt(Renderer* r, uint32_t id, uint64_t bytes, const float* vertices,
                        int32_t format) {
  // The old buffer of a reused id was given back between frames, so the GPU is done with it;
  // retiring it still keeps it safe if a caller reuses an id within a frame.
  r->RetireResource(std::move(r->vertexBuffers[id]));
  r->vertexBufferViews[id] = {};
  if (bytes == 0) return;
  r->vertexBuffers[id] = MakeUploadBuffer(r->device.Get(), bytes, vertices);
  if (!r->vertexBuffers[id]) return;
  WriteBuffer(r->vertexBuffers[id].Get(), vertices, bytes);
  r->vertexBufferViews[id] = {r->vertexBuffers[id]->GetGPUVirtualAddress(), UINT(bytes),
                              UINT(VertexFormatStride(format) * 4)};
}

void MakeIndexBufferAt(Renderer* r, uint32_t id, uint64_t bytes, const uint32_t* indices,
                       uint32_t n) {
  r->RetireResource(std::move(r->indexBuffers[id]));
  r->indexBufferViews[id] = {};
  if (bytes == 0) return;
  r->indexBuffers[id] = MakeUploadBuffer(r->device.Get(), bytes, indices);
  if (!r->indexBuffers[id]) return;
  WriteBuffer(r->indexBuffers[id].Get(), indices, bytes);
  r->indexBufferViews[id].view = {r->indexBuffers[id]->GetGPUVirtualAddress(), UINT(bytes),
                                  DXGI_FORMAT_R32_UINT};
  r->indexBufferViews[id].indexCount = n;
}

// A full stack keeps nothing more; the ids past it stay unused in their tables.
void GiveBackId(FreeIdStack* stack, uint32_t id, bool* fullReported, const char* kind) {
  if (PushFreeId(stack, id) || *fullReported) return;
  *fullReported = true;
  Report("Renderer: the free %s-buffer ids fill their stack of %u; id %u and the ones given "
         "back after it are not reused",
         kind, FreeIdStack::kCapacity, id);
}

}  // namespace

uint32_t Renderer::CreateVertexBuffer(uint32_t n, const float* vertices, int32_t format) {
  uint64_t bytes = 0;
  if (!ready || !VertexBytes(n, format, &bytes)) return 0xFFFFFFFFu;
  uint32_t id = TakeBufferId(&freeVertexIds, uint32_t(vertexBuffers.size()));
  if (id == vertexBuffers.size()) {
    vertexBuffers.emplace_back();
    vertexBufferViews.push_back({});
  }
  MakeVertexBufferAt(this, id, bytes, vertices, format);
  return id;
}

uint32_t Renderer::UpdateVertexBuffer(uint32_t id, uint32_t n, const float* vertices,
                                      int32_t format) {
  uint64_t bytes = 0;
  if (!ready || !VertexBytes(n, format, &bytes)) return id;
  if (id >= vertexBuffers.size()) return CreateVertexBuffer(n, vertices, format);
  if (bytes <= vertexBufferViews[id].SizeInBytes && vertexBuffers[id]) {
    WriteBuffer(vertexBuffers[id].Get(), vertices, bytes);
    return id;
  }
  if (bytes == 0) return id;
  // Too small: replaced under the same id, which never leaves the handle.
  MakeVertexBufferAt(this, id, bytes, vertices, format);
  return id;
}

uint32_t Renderer::CreateIndexBuffer(uint32_t n, const uint32_t* indices) {
  uint64_t bytes = 0;
  if (!ready || !IndexBytes(n, &bytes)) return 0xFFFFFFFFu;
  uint32_t id = TakeBufferId(&freeIndexIds, uint32_t(indexBuffers.size()));
  if (id == indexBuffers.size()) {
    indexBuffers.emplace_back();
    indexBufferViews.push_back({});
  }
  MakeIndexBufferAt(this, id, bytes, indices, n);
  return id;
}

uint32_t Renderer::UpdateIndexBuffer(uint32_t id, uint32_t n, const uint32_t* indices) {
  uint64_t bytes = 0;
  if (!ready || !IndexBytes(n, &bytes)) return id;
  if (id >= indexBuffers.size()) return CreateIndexBuffer(n, indices);
  if (bytes <= indexBufferViews[id].view.SizeInBytes && indexBuffers[id]) {
    indexBufferViews[id].indexCount = n;
    WriteBuffer(indexBuffers[id].Get(), indices, bytes);
    return id;
  }
  if (bytes == 0) {
    indexBufferViews[id].indexCount = 0;
    return id;
  }
  MakeIndexBufferAt(this, id, bytes, indices, n);
  return id;
}

void Renderer::GiveBackVertexBuffer(uint32_t id) {
  if (id >= vertexBuffers.size()) return;
  GiveBackId(&freeVertexIds, id, &vertexIdsFullReported, "vertex");
}

void Renderer::GiveBackIndexBuffer(uint32_t id) {
  if (id >= indexBuffers.size()) return;
  GiveBackId(&freeIndexIds, id, &indexIdsFullReported, "index");
}

void Renderer::DrawIndexed(uint32_t indexId, uint32_t vertexId) {
  ShaderProgram* program = gCurrentProgram;
  if (!ready || !listOpen || !program) return;
  program->block->currentVertexBuffer = vertexId;
  program->block->currentIndexBuffer = indexId;
  // A program whose shaders failed has no pipeline state: its draws are skipped.
  if (!program->block->currentPipelineState) return;
  if (vertexId >= vertexBuffers.size() || indexId >= indexBuffers.size()) return;
  if (!vertexBuffers[vertexId] || !indexBuffers[indexId]) return;
  const uint32_t count = indexBufferViews[indexId].indexCount;
  if (count == 0) return;

  if (vertexId != boundVertexBuffer) {
    commandList->IASetVertexBuffers(0, 1, &vertexBufferViews[vertexId]);
    boundVertexBuffer = vertexId;
  }
  if (indexId != boundIndexBuffer) {
    commandList->IASetIndexBuffer(&indexBufferViews[indexId].view);
    boundIndexBuffer = indexId;
  }
  if (!PushConstants(program->block->constantStaging, program->block->constantBufferSize)) {
    return;
  }
  commandList->DrawIndexedInstanced(count, 1, 0, 0, 0);
}
