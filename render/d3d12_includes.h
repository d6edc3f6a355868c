#pragma once
// Direct3D 12 and DXGI headers in the order MinGW needs (rpcndr before d3d12, the IIDs of
// dxguids right after it), plus the descriptor-heap helpers whose struct returns MinGW turns
// into out-parameters. Windows renderer files only.
#include <windows.h>
#include <rpc.h>
#include <rpcndr.h>
#include <d3d12.h>
#include <dxguids.h>
#include <dxgi1_4.h>
#include <d3dcompiler.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

inline D3D12_CPU_DESCRIPTOR_HANDLE CpuHeapStart(ID3D12DescriptorHeap* heap) {
  D3D12_CPU_DESCRIPTOR_HANDLE h;
  heap->GetCPUDescriptorHandleForHeapStart(&h);
  return h;
}

inline D3D12_GPU_DESCRIPTOR_HANDLE GpuHeapStart(ID3D12DescriptorHeap* heap) {
  D3D12_GPU_DESCRIPTOR_HANDLE h;
  heap->GetGPUDescriptorHandleForHeapStart(&h);
  return h;
}

inline D3D12_RESOURCE_BARRIER TransitionBarrier(ID3D12Resource* resource,
                                                D3D12_RESOURCE_STATES before,
                                                D3D12_RESOURCE_STATES after) {
  D3D12_RESOURCE_BARRIER b = {};
  b.Type = D3D12_RESOURCE_BARRIER_TYPE_TRANSITION;
  b.Flags = D3D12_RESOURCE_BARRIER_FLAG_NONE;
  b.Transition.pResource = resource;
  b.Transition.Subresource = D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES;
  b.Transition.StateBefore = before;
  b.Transition.StateAfter = after;
  return b;
}

inline D3D12_HEAP_PROPERTIES HeapOfType(D3D12_HEAP_TYPE type) {
  D3D12_HEAP_PROPERTIES p = {};
  p.Type = type;
  p.CPUPageProperty = D3D12_CPU_PAGE_PROPERTY_UNKNOWN;
  p.MemoryPoolPreference = D3D12_MEMORY_POOL_UNKNOWN;
  p.CreationNodeMask = 1;
  p.VisibleNodeMask = 1;
  return p;
}

inline D3D12_RESOURCE_DESC BufferDesc(uint64_t bytes) {
  D3D12_RESOURCE_DESC d = {};
  d.Dimension = D3D12_RESOURCE_DIMENSION_BUFFER;
  d.Alignment = 0;
  d.Width = bytes;
  d.Height = 1;
  d.DepthOrArraySize = 1;
  d.MipLevels = 1;
  d.Format = DXGI_FORMAT_UNKNOWN;
  d.SampleDesc.Count = 1;
  d.SampleDesc.Quality = 0;
  d.Layout = D3D12_TEXTURE_LAYOUT_ROW_MAJOR;
  d.Flags = D3D12_RESOURCE_FLAG_NONE;
  return d;
}
