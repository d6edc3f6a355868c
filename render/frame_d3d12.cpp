// The frame cycle: begin, end with the upload flush, present, GPU wait, resizing, clears,
// scissor and viewport.
#include "render/renderer.h"

#include "app/app_window.h"
#include "app/report.h"
#include "render/shader_program.h"

namespace {

// Vulkan (under vkd3d) and some drivers reject empty viewports; a minimised window draws into
// a 1 x 1 viewport with an empty scissor instead.
D3D12_VIEWPORT UsableViewport(D3D12_VIEWPORT v) {
  if (v.Width < 1.0f) v.Width = 1.0f;
  if (v.Height < 1.0f) v.Height = 1.0f;
  return v;
}

}  // namespace

void Renderer::Resize(int32_t width, int32_t height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  viewport = {0.0f, 0.0f, float(width), float(height), 0.0f, 1.0f};
  scissor = {0, 0, width, height};
  pendingWidth = uint32_t(width);
  pendingHeight = uint32_t(height);
  // The swap chain follows at the next frame begin, so a resize in the middle of recording
  // never pulls the back buffer from under the open list, and several resizes cost one.
  if (ready) resizePending = true;
}

void Renderer::WaitForGpu() {
  if (!ready) return;
  const uint64_t v = fenceValue++;
  if (FAILED(commandQueue->Signal(fence.Get(), v))) {
    Report("Renderer: cannot signal the frame fence; the device may be lost");
    return;
  }
  if (fence->GetCompletedValue() < v) {
    fence->SetEventOnCompletion(v, fenceEvent);
    WaitForSingleObject(fenceEvent, INFINITE);
  }
  lastSubmitted = v;
  currentBackBuffer = swapChain->GetCurrentBackBufferIndex();
  // The GPU is idle: replaced resources can go.
  retiredResources.clear();
}

namespace {

// Asks the swap chain for w x h buffers and takes its buffers back: the new ones, or the old
// ones when it refuses. The first failure of a run of them is reported.
bool ResizeSwapChain(Renderer* r, uint32_t w, uint32_t h) {
  r->backBuffers[0].Reset();
  r->backBuffers[1].Reset();
  HRESULT hr = r->swapChain->ResizeBuffers(2, w, h, DXGI_FORMAT_R8G8B8A8_UNORM, 0);
  const bool resized = SUCCEEDED(hr);
  if (!resized && !r->resizeFailureReported) {
    Report("Renderer: cannot resize the swap chain to %ux%u (HRESULT 0x%08lx); drawing goes "
           "on at the last size",
           w, h, static_cast<unsigned long>(hr));
  }
  r->resizeFailureReported = !resized;
  for (UINT i = 0; i < 2; ++i) {
    r->swapChain->GetBuffer(i, IID_PPV_ARGS(r->backBuffers[i].ReleaseAndGetAddressOf()));
    D3D12_CPU_DESCRIPTOR_HANDLE h2 = CpuHeapStart(r->rtvHeap.Get());
    h2.ptr += size_t(i) * r->rtvDescriptorSize;
    r->device->CreateRenderTargetView(r->backBuffers[i].Get(), nullptr, h2);
  }
  r->currentBackBuffer = r->swapChain->GetCurrentBackBufferIndex();
  if (resized) {
    r->frameWidth = w;
    r->frameHeight = h;
  } else {
    DXGI_SWAP_CHAIN_DESC1 kept = {};
    r->swapChain->GetDesc1(&kept);
    r->frameWidth = kept.Width;
    r->frameHeight = kept.Height;
  }
  return resized;
}

void CallResizeCallbacks(Renderer* r) {
  // A callback may register another; the length is read each time.
  for (size_t i = 0; i < r->resizeCallbacks.size(); ++i) {
    ResizeCallback c = r->resizeCallbacks[i];
    if (c.function) c.function(c.argument);
  }
}

void ApplyResize(Renderer* r) {
  // Everything submitted must be finished before the back buffers are released.
  r->WaitForGpu();
  const uint32_t w = r->pendingWidth, h = r->pendingHeight;
  if (w != 0 && h != 0) {
    if (ResizeSwapChain(r, w, h)) {
      r->CreateDepthBuffer(w, h);
    } else {
      // The swap chain keeps its buffers: the viewport and the depth buffer stay at their size.
      r->viewport.Width = float(r->frameWidth);
      r->viewport.Height = float(r->frameHeight);
      r->scissor = {0, 0, LONG(r->frameWidth), LONG(r->frameHeight)};
      r->pendingWidth = r->frameWidth;
      r->pendingHeight = r->frameHeight;
    }
  }
  r->resizePending = false;
  CallResizeCallbacks(r);
}

// After a refused resize the window may keep its new size with no further WM_SIZE: each frame
// begin asks again, so one passing failure does not leave the old picture stretched over it.
// Refused again, everything stays at the kept size and the callbacks, which have seen it, are
// not called again.
void RetryRefusedResize(Renderer* r) {
  if (!r->resizeFailureReported || !r->window) return;
  const int32_t w = r->window->ClientWidth(), h = r->window->ClientHeight();
  if (w <= 0 || h <= 0) return;
  if (uint32_t(w) == r->frameWidth && uint32_t(h) == r->frameHeight) return;
  r->WaitForGpu();
  if (!ResizeSwapChain(r, uint32_t(w), uint32_t(h))) return;
  r->viewport = {0.0f, 0.0f, float(w), float(h), 0.0f, 1.0f};
  r->scissor = {0, 0, w, h};
  r->pendingWidth = uint32_t(w);
  r->pendingHeight = uint32_t(h);
  r->CreateDepthBuffer(uint32_t(w), uint32_t(h));
  CallResizeCallbacks(r);
}

}  // namespace

void Renderer::BeginFrame() {
  if (!ready) return;
  if (listOpen) {
    Report("Renderer: BeginFrame inside a frame; the frame goes on");
    return;
  }
  // One frame in flight: the allocator may only be reset once the GPU is done with it.
  if (fence->GetCompletedValue() < lastSubmitted) WaitForGpu();
  currentBackBuffer = swapChain->GetCurrentBackBufferIndex();
  boundVertexBuffer = 0xFFFFFFFFu;
  boundIndexBuffer = 0xFFFFFFFFu;
  lastBoundSampler = 0xFFFFFFFFu;

  if (resizePending) {
    ApplyResize(this);
  } else {
    RetryRefusedResize(this);
  }
  StartConstantRingFrame();

  commandAllocator->Reset();
  commandList->Reset(commandAllocator.Get(), nullptr);
  listOpen = true;

  D3D12_RESOURCE_BARRIER b = TransitionBarrier(backBuffers[currentBackBuffer].Get(),
                                               D3D12_RESOURCE_STATE_PRESENT,
                                               D3D12_RESOURCE_STATE_RENDER_TARGET);
  commandList->ResourceBarrier(1, &b);
  ID3D12DescriptorHeap* heaps[1] = {cbvSrvHeap.Get()};
  commandList->SetDescriptorHeaps(1, heaps);
  commandList->SetGraphicsRootSignature(rootSignature.Get());
  D3D12_VIEWPORT v = UsableViewport(viewport);
  commandList->RSSetViewports(1, &v);
  commandList->RSSetScissorRects(1, &scissor);
  currentRtv = CpuHeapStart(rtvHeap.Get());
  currentRtv.ptr += size_t(currentBackBuffer) * rtvDescriptorSize;
  dsv = CpuHeapStart(dsvHeap.Get());
  commandList->OMSetRenderTargets(1, &currentRtv, FALSE, depthBuffer ? &dsv : nullptr);
  commandList->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

void Renderer::EndFrame() {
  gCurrentProgram = nullptr;
  if (!ready || !listOpen) return;
  D3D12_RESOURCE_BARRIER b = TransitionBarrier(backBuffers[currentBackBuffer].Get(),
                                               D3D12_RESOURCE_STATE_RENDER_TARGET,
                                               D3D12_RESOURCE_STATE_PRESENT);
  commandList->ResourceBarrier(1, &b);
  HRESULT hr = commandList->Close();
  listOpen = false;
  if (FAILED(hr)) {
    Report("Renderer: the frame's command list failed to record (HRESULT 0x%08lx)",
           static_cast<unsigned long>(hr));
    return;
  }
  // Textures created during the frame are uploaded before the frame's draws run.
  if (uploadsPending) {
    uploadsPending = false;
    FlushUploads();
  }
  ID3D12CommandList* lists[1] = {commandList.Get()};
  commandQueue->ExecuteCommandLists(1, lists);
  hr = swapChain->Present(1, 0);
  occluded = hr == DXGI_STATUS_OCCLUDED;
  if (FAILED(hr)) {
    Report("Renderer: present failed (HRESULT 0x%08lx)", static_cast<unsigned long>(hr));
  }
  const uint64_t v = fenceValue++;
  commandQueue->Signal(fence.Get(), v);
  lastSubmitted = v;
}

void Renderer::PresentFirstFrame() {
  if (!ready || !listOpen) return;
  ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  uploadsPending = true;
  EndFrame();
  WaitForGpu();
  BeginFrame();
}

void Renderer::FlushUploads() {
  if (!ready) return;
  if (FAILED(uploadCommandList->Close())) {
    Report("Renderer: the upload command list failed to record; textures stay empty");
  } else {
    ID3D12CommandList* lists[1] = {uploadCommandList.Get()};
    commandQueue->ExecuteCommandLists(1, lists);
  }
  const uint64_t v = fenceValue++;
  commandQueue->Signal(fence.Get(), v);
  if (fence->GetCompletedValue() < v) {
    fence->SetEventOnCompletion(v, fenceEvent);
    WaitForSingleObject(fenceEvent, INFINITE);
  }
  uploadCommandAllocator->Reset();
  uploadCommandList->Reset(uploadCommandAllocator.Get(), nullptr);
  stagedUploads.clear();
}

void Renderer::Clear() {
  if (!ready || !listOpen) return;
  const float white[4] = {1.0f, 1.0f, 1.0f, 0.0f};
  commandList->ClearRenderTargetView(currentRtv, white, 0, nullptr);
  if (depthBuffer) {
    commandList->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  }
}

void Renderer::ClearColor(float r, float g, float b, float a) {
  if (!ready || !listOpen) return;
  const float colour[4] = {r, g, b, a};
  commandList->ClearRenderTargetView(currentRtv, colour, 0, nullptr);
}

void Renderer::SetScissor(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int32_t h = RendererScissorHeight(*this);
  scissor = {x0, h - y1, x1, h - y0};
  // An inverted rectangle is invalid to Direct3D; it means "nothing" here.
  if (scissor.right < scissor.left) scissor.right = scissor.left;
  if (scissor.bottom < scissor.top) scissor.bottom = scissor.top;
  if (ready && listOpen) commandList->RSSetScissorRects(1, &scissor);
}

void Renderer::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!ready || !listOpen) return;
  D3D12_VIEWPORT v = {float(x), float(y), float(width), float(height), 0.0f, 1.0f};
  v = UsableViewport(v);
  commandList->RSSetViewports(1, &v);
}
