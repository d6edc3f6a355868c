// Renderer set-up and tear-down: adapter, device, queue, swap chain, heaps, root signature,
// samplers, depth buffer. The one file that defines the Direct3D 12 interface ids (MinGW's
// dxguid library lacks the ones d3dx12's helpers need).
#include <windows.h>
#include <rpc.h>
#include <rpcndr.h>
#include <initguid.h>
#include <d3d12.h>

#include "render/renderer.h"

#include <cstring>

#include "app/app_window.h"
#include "app/report.h"

static_assert(sizeof(SamplerDesc) == sizeof(D3D12_SAMPLER_DESC), "sampler layouts differ");

Renderer gRenderer;

Renderer::Renderer() {
  freeSlotRanges = InitialSlotRanges(kTextureSlotCount);
  InitConstantRingLayout(&ring);
  // Filled here as well as in Init, so sampler searches before Init find the same entries.
  FillStartSamplerTable(samplers);
}

Renderer::~Renderer() {
  // The GPU must be idle before anything it may read is released.
  if (ready && fence && commandQueue) WaitForGpu();
  if (ringMapping && ringBuffer) {
    ringBuffer->Unmap(0, nullptr);
    ringMapping = nullptr;
  }
  if (fenceEvent) CloseHandle(fenceEvent);
  fenceEvent = nullptr;
}

namespace {

// The first hardware adapter that makes a feature-level 11_0 device, or null (the device is
// then asked of the default adapter).
ComPtr<IDXGIAdapter1> SelectHardwareAdapter(IDXGIFactory4* factory) {
  for (UINT i = 0;; ++i) {
    ComPtr<IDXGIAdapter1> adapter;
    if (factory->EnumAdapters1(i, &adapter) == DXGI_ERROR_NOT_FOUND) return nullptr;
    DXGI_ADAPTER_DESC1 desc;
    if (FAILED(adapter->GetDesc1(&desc))) continue;
    if (desc.Flags & DXGI_ADAPTER_FLAG_SOFTWARE) continue;
    if (SUCCEEDED(D3D12CreateDevice(adapter.Get(), D3D_FEATURE_LEVEL_11_0,
                                    __uuidof(ID3D12Device), nullptr))) {
      return adapter;
    }
  }
}

bool Failed(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return false;
  Report("Renderer: cannot create the %s (HRESULT 0x%08lx)", what, static_cast<unsigned long>(hr));
  return true;
}

bool CreateRootSignature(ID3D12Device* device, ComPtr<ID3D12RootSignature>* out) {
  // Parameter 0: constants b0 (all stages); then per k = 0..7 texture t(k) and sampler s(k).
  D3D12_DESCRIPTOR_RANGE ranges[17];
  D3D12_ROOT_PARAMETER params[17];
  for (int i = 0; i < 17; ++i) {
    D3D12_DESCRIPTOR_RANGE& r = ranges[i];
    if (i == 0) {
      r.RangeType = D3D12_DESCRIPTOR_RANGE_TYPE_CBV;
      r.BaseShaderRegister = 0;
    } else if (i % 2 == 1) {
      r.RangeType = D3D12_DESCRIPTOR_RANGE_TYPE_SRV;
      r.BaseShaderRegister = (i - 1) / 2;
    } else {
      r.RangeType = D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER;
      r.BaseShaderRegister = (i - 2) / 2;
    }
    r.NumDescriptors = 1;
    r.RegisterSpace = 0;
    r.OffsetInDescriptorsFromTableStart = D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND;
    D3D12_ROOT_PARAMETER& p = params[i];
    p.ParameterType = D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE;
    p.DescriptorTable.NumDescriptorRanges = 1;
    p.DescriptorTable.pDescriptorRanges = &ranges[i];
    p.ShaderVisibility = i == 0 ? D3D12_SHADER_VISIBILITY_ALL : D3D12_SHADER_VISIBILITY_PIXEL;
  }
  D3D12_ROOT_SIGNATURE_DESC desc = {};
  desc.NumParameters = 17;
  desc.pParameters = params;
  desc.NumStaticSamplers = 0;
  desc.Flags = D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT;
  ComPtr<ID3DBlob> blob, error;
  HRESULT hr = D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &error);
  if (Failed(hr, "root signature description")) return false;
  hr = device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(),
                                   IID_PPV_ARGS(out->ReleaseAndGetAddressOf()));
  return !Failed(hr, "root signature");
}

}  // namespace

int32_t RendererScissorHeight(const Renderer& r) {
  if (r.resizeFailureReported) return static_cast<int32_t>(r.frameHeight);
  if (r.window) return r.window->ClientHeight();
  return static_cast<int32_t>(r.viewport.Height);
}

bool Renderer::Init() {
  if (ready) return true;
  maxTextureSide = 16384;
  if (!window || !window->window) {
    Report("Renderer: no window to draw into");
    return false;
  }
  const UINT width = static_cast<UINT>(viewport.Width);
  const UINT height = static_cast<UINT>(viewport.Height);

  ComPtr<IDXGIFactory4> factory;
  if (Failed(CreateDXGIFactory1(IID_PPV_ARGS(&factory)), "DXGI factory")) return false;
  ComPtr<IDXGIAdapter1> adapter = SelectHardwareAdapter(factory.Get());
  if (Failed(D3D12CreateDevice(adapter.Get(), D3D_FEATURE_LEVEL_11_0,
                               IID_PPV_ARGS(device.ReleaseAndGetAddressOf())),
             "Direct3D 12 device (feature level 11_0)")) {
    return false;
  }
  adapter.Reset();

  D3D12_COMMAND_QUEUE_DESC queueDesc = {};
  queueDesc.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
  if (Failed(device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&commandQueue)),
             "command queue")) {
    return false;
  }

  DXGI_SWAP_CHAIN_DESC1 sc = {};
  sc.Width = width;
  sc.Height = height;
  sc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  sc.Stereo = FALSE;
  sc.SampleDesc.Count = 1;
  sc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  sc.BufferCount = 2;
  sc.Scaling = DXGI_SCALING_STRETCH;
  sc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  sc.AlphaMode = DXGI_ALPHA_MODE_UNSPECIFIED;
  ComPtr<IDXGISwapChain1> swapChain1;
  if (Failed(factory->CreateSwapChainForHwnd(commandQueue.Get(), window->window, &sc, nullptr,
                                             nullptr, &swapChain1),
             "swap chain")) {
    return false;
  }
  if (Failed(swapChain1.As(&swapChain), "swap chain (IDXGISwapChain3)")) return false;
  currentBackBuffer = swapChain->GetCurrentBackBufferIndex();

  D3D12_DESCRIPTOR_HEAP_DESC rtvDesc = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 2,
                                        D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  if (Failed(device->CreateDescriptorHeap(&rtvDesc, IID_PPV_ARGS(&rtvHeap)), "RTV heap")) {
    return false;
  }
  rtvDescriptorSize = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
  cbvSrvDescriptorSize =
      device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  D3D12_DESCRIPTOR_HEAP_DESC dsvDesc = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1,
                                        D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  if (Failed(device->CreateDescriptorHeap(&dsvDesc, IID_PPV_ARGS(&dsvHeap)), "DSV heap")) {
    return false;
  }
  for (UINT i = 0; i < 2; ++i) {
    if (Failed(swapChain->GetBuffer(i, IID_PPV_ARGS(backBuffers[i].ReleaseAndGetAddressOf())),
               "back buffer")) {
      return false;
    }
    D3D12_CPU_DESCRIPTOR_HANDLE h = CpuHeapStart(rtvHeap.Get());
    h.ptr += size_t(i) * rtvDescriptorSize;
    device->CreateRenderTargetView(backBuffers[i].Get(), nullptr, h);
  }
  currentRtv = CpuHeapStart(rtvHeap.Get());
  currentRtv.ptr += size_t(currentBackBuffer) * rtvDescriptorSize;
  dsv = CpuHeapStart(dsvHeap.Get());

  if (Failed(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                            IID_PPV_ARGS(&commandAllocator)),
             "command allocator")) {
    return false;
  }
  if (!CreateRootSignature(device.Get(), &rootSignature)) return false;
  // A window that starts with an empty client area still gets a swap chain of the window's
  // size from DXGI; the depth buffer follows the swap chain.
  DXGI_SWAP_CHAIN_DESC1 made = {};
  swapChain->GetDesc1(&made);
  CreateDepthBuffer(made.Width, made.Height);
  if (!depthBuffer) {
    Report("Renderer: no depth buffer for a %ux%u swap chain", made.Width, made.Height);
    return false;
  }

  FillStartSamplerTable(samplers);
  for (uint32_t i = 0; i < kSamplerCount; ++i) {
    D3D12_DESCRIPTOR_HEAP_DESC d = {D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER, 1,
                                    D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    if (Failed(device->CreateDescriptorHeap(&d, IID_PPV_ARGS(&samplerHeaps[i])),
               "sampler heap")) {
      return false;
    }
    // Entries 8-31 are all zero and get no sampler.
    if (i < 8) {
      D3D12_SAMPLER_DESC s;
      std::memcpy(&s, &samplers[i], sizeof(s));
      device->CreateSampler(&s, CpuHeapStart(samplerHeaps[i].Get()));
    }
  }

  ring.bytesRequested = 0;
  if (!CreateConstantRing(kRingStartBytes)) return false;
  freeVertexIds.count = 0;
  freeIndexIds.count = 0;
  stagedUploads.clear();

  if (Failed(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence)), "fence")) {
    return false;
  }
  fenceValue = 1;
  lastSubmitted = 0;
  fenceEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!fenceEvent) {
    Report("Renderer: cannot create the fence event");
    return false;
  }

  if (Failed(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, commandAllocator.Get(),
                                       nullptr, IID_PPV_ARGS(&commandList)),
             "command list") ||
      Failed(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                            IID_PPV_ARGS(&uploadCommandAllocator)),
             "upload command allocator") ||
      Failed(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT,
                                       uploadCommandAllocator.Get(), nullptr,
                                       IID_PPV_ARGS(&uploadCommandList)),
             "upload command list")) {
    return false;
  }
  // The frame list starts open with the back buffer ready for drawing: WinMain clears it and
  // ends the first frame.
  D3D12_RESOURCE_BARRIER b = TransitionBarrier(backBuffers[currentBackBuffer].Get(),
                                               D3D12_RESOURCE_STATE_PRESENT,
                                               D3D12_RESOURCE_STATE_RENDER_TARGET);
  commandList->ResourceBarrier(1, &b);
  ready = true;
  listOpen = true;
  pendingWidth = made.Width;
  pendingHeight = made.Height;
  frameWidth = made.Width;
  frameHeight = made.Height;
  return true;
}

void Renderer::CreateDepthBuffer(uint32_t width, uint32_t height) {
  depthBuffer.Reset();
  if (!device || width == 0 || height == 0) return;
  D3D12_HEAP_PROPERTIES heap = HeapOfType(D3D12_HEAP_TYPE_DEFAULT);
  D3D12_RESOURCE_DESC d = {};
  d.Dimension = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
  d.Width = width;
  d.Height = height;
  d.DepthOrArraySize = 1;
  d.MipLevels = 0;  // the runtime's full chain; only mip 0 gets a view
  d.Format = DXGI_FORMAT_D32_FLOAT;
  d.SampleDesc.Count = 1;
  d.Layout = D3D12_TEXTURE_LAYOUT_UNKNOWN;
  d.Flags = D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL;
  D3D12_CLEAR_VALUE clear = {};
  clear.Format = DXGI_FORMAT_D32_FLOAT;
  clear.DepthStencil.Depth = 1.0f;
  if (Failed(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &d,
                                             D3D12_RESOURCE_STATE_DEPTH_WRITE, &clear,
                                             IID_PPV_ARGS(&depthBuffer)),
             "depth buffer")) {
    depthBuffer.Reset();
    return;
  }
  D3D12_DEPTH_STENCIL_VIEW_DESC v = {};
  v.Format = DXGI_FORMAT_D32_FLOAT;
  v.ViewDimension = D3D12_DSV_DIMENSION_TEXTURE2D;
  v.Flags = D3D12_DSV_FLAG_NONE;
  v.Texture2D.MipSlice = 0;
  device->CreateDepthStencilView(depthBuffer.Get(), &v, CpuHeapStart(dsvHeap.Get()));
}

void Renderer::AddResizeCallback(void (*function)(void*), void* argument) {
  resizeCallbacks.push_back({function, argument});
}

void Renderer::RetireResource(ComPtr<ID3D12Resource> resource) {
  if (resource) retiredResources.push_back(std::move(resource));
}
