// The constant ring's GPU side: one persistently mapped upload buffer cut into blocks, a view
// per block in the shared CBV/SRV heap, one block per draw.
#include <cstring>
#include <utility>
#include <vector>

#include "app/report.h"
#include "render/renderer.h"

bool Renderer::CreateConstantRing(uint64_t size) {
  // The new ring and heap are made first: when either cannot be had, the ones in use stay, so
  // the heap that BeginFrame sets and the texture views in it are never lost. A ring of the
  // size it already has is kept (only the heap grows), so two rings never live at once then.
  const uint64_t blocks = RingTotalBlocks(ring);
  ComPtr<ID3D12Resource> newBuffer = ringBuffer;
  uint8_t* newMapping = ringMapping;
  if (!ringBuffer || !ringMapping || size != ring.ringSize) {
    D3D12_HEAP_PROPERTIES heap = HeapOfType(D3D12_HEAP_TYPE_UPLOAD);
    D3D12_RESOURCE_DESC desc = BufferDesc(size);
    newBuffer.Reset();
    HRESULT hr = device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                 D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                 IID_PPV_ARGS(&newBuffer));
    if (FAILED(hr)) {
      if (!ringFailureReported) {
        Report("Renderer: cannot create the %llu-byte constant ring (HRESULT 0x%08lx); draws "
               "that need more room stay skipped",
               static_cast<unsigned long long>(size), static_cast<unsigned long>(hr));
      }
      ringFailureReported = true;
      return false;
    }
    D3D12_RANGE nothingRead = {0, 0};
    void* mapping = nullptr;
    if (FAILED(newBuffer->Map(0, &nothingRead, &mapping)) || !mapping) {
      if (!ringFailureReported) Report("Renderer: cannot map the constant ring");
      ringFailureReported = true;
      return false;
    }
    newMapping = static_cast<uint8_t*>(mapping);
  }
  ComPtr<ID3D12DescriptorHeap> newHeap;
  D3D12_DESCRIPTOR_HEAP_DESC h = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV,
                                  UINT(blocks + kRingFirstView),
                                  D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  HRESULT hr = device->CreateDescriptorHeap(&h, IID_PPV_ARGS(&newHeap));
  if (FAILED(hr)) {
    if (!ringFailureReported) {
      Report("Renderer: cannot create the CBV/SRV heap of %llu descriptors (HRESULT 0x%08lx); "
             "draws that need more room stay skipped",
             static_cast<unsigned long long>(blocks + kRingFirstView),
             static_cast<unsigned long>(hr));
    }
    ringFailureReported = true;
    if (newBuffer != ringBuffer) newBuffer->Unmap(0, nullptr);
    return false;
  }
  // Called between frames with the GPU idle: the old ring and heap can go at once.
  if (newBuffer != ringBuffer && ringMapping) ringBuffer->Unmap(0, nullptr);
  ringBuffer = std::move(newBuffer);
  ringMapping = newMapping;
  cbvSrvHeap = std::move(newHeap);
  ringFailureReported = false;
  RingRecreated(&ring, size, blocks);
  WriteTextureViews();
  return true;
}

void Renderer::WriteTextureViews() {
  D3D12_CPU_DESCRIPTOR_HANDLE start = CpuHeapStart(cbvSrvHeap.Get());
  for (uint32_t i = 0; i < kTextureSlotCount; ++i) {
    TextureSlot& s = textureSlots[i];
    if (!s.owner || !s.texture) continue;
    D3D12_CPU_DESCRIPTOR_HANDLE h = start;
    h.ptr += size_t(i) * cbvSrvDescriptorSize;
    device->CreateShaderResourceView(s.texture.Get(), &s.viewDesc, h);
  }
}

void Renderer::StartConstantRingFrame() {
  // Growth re-lays the classes; kept so they can go back to the layout the ring in use has.
  std::vector<ConstantSizeClass> before;
  if (ring.growthPending) before = ring.classes;
  RingFrameStartPlan plan = PlanRingFrameStart(&ring);
  if (plan.recreate && !CreateConstantRing(plan.newRingSize)) {
    // The old ring, heap and views stay in use; the pushes that wanted the larger classes are
    // skipped (and counted) again, and the growth is tried at the next frame begin after them.
    if (!before.empty()) ring.classes = std::move(before);
    plan.writeViews = false;
  }
  if (!ringBuffer || !cbvSrvHeap) {
    FinishRingFrameStart(&ring);
    return;
  }
  if (plan.writeViews) {
    D3D12_CPU_DESCRIPTOR_HANDLE h = CpuHeapStart(cbvSrvHeap.Get());
    h.ptr += size_t(kRingFirstView) * cbvSrvDescriptorSize;
    const D3D12_GPU_VIRTUAL_ADDRESS base = ringBuffer->GetGPUVirtualAddress();
    for (const ConstantSizeClass& c : ring.classes) {
      for (uint64_t j = 0; j < c.capacity; ++j) {
        D3D12_CONSTANT_BUFFER_VIEW_DESC v = {base + c.offset + j * c.blockSize, UINT(c.blockSize)};
        device->CreateConstantBufferView(&v, h);
        h.ptr += cbvSrvDescriptorSize;
      }
    }
  }
  FinishRingFrameStart(&ring);
}

bool Renderer::PushConstants(const void* data, uint64_t size) {
  if (!ready || !ringMapping || !cbvSrvHeap || !listOpen) return false;
  RingBlock block;
  if (!TakeRingBlock(&ring, size, &block)) return false;
  // A grown class may not have its views yet when the ring could not be re-created.
  if (block.viewIndex >= kRingFirstView + ring.descriptorCount ||
      block.byteOffset + size > ring.ringSize) {
    return false;
  }
  std::memcpy(ringMapping + block.byteOffset, data, size);
  D3D12_GPU_DESCRIPTOR_HANDLE h = GpuHeapStart(cbvSrvHeap.Get());
  h.ptr += uint64_t(cbvSrvDescriptorSize) * block.viewIndex;
  commandList->SetGraphicsRootDescriptorTable(0, h);
  return true;
}
