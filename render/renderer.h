#pragma once
// The one Direct3D 12 renderer (gRenderer): device, queue, two-buffer flip-discard swap chain,
// heaps, root signature, the frame and upload command lists, depth buffer, texture slots,
// vertex and index buffer tables, constant ring, samplers and resize callbacks. Windows only.
//
// Life: Resize (records the client size) -> Init -> the first frame (the list is left open by
// Init) -> per frame BeginFrame, drawing, EndFrame, WaitForGpu. Every call before a successful
// Init, or after it failed, does nothing (drawing calls) or refuses (creation calls).
#include <cstdint>
#include <vector>

#include "render/buffer_ids.h"
#include "render/constant_ring_layout.h"
#include "render/d3d12_includes.h"
#include "render/sampler_table.h"
#include "render/texture.h"
#include "render/texture_slots.h"

struct AppWindow;

struct ResizeCallback {
  void (*function)(void* argument);
  void* argument;
};

struct TextureSlot {
  Texture* owner = nullptr;  // null: the slot holds no texture
  ComPtr<ID3D12Resource> texture;
  D3D12_SHADER_RESOURCE_VIEW_DESC viewDesc = {};  // kept to rewrite the view in a new heap
};

struct IndexBufferView {
  D3D12_INDEX_BUFFER_VIEW view;
  uint32_t indexCount;  // of the last upload; the draw uses it
};

struct Renderer {
  std::vector<ResizeCallback> resizeCallbacks;
  D3D12_RECT scissor = {};
  bool resizePending = false;
  ComPtr<ID3D12GraphicsCommandList> commandList;
  ComPtr<ID3D12GraphicsCommandList> uploadCommandList;
  D3D12_CPU_DESCRIPTOR_HANDLE currentRtv = {};
  D3D12_CPU_DESCRIPTOR_HANDLE dsv = {};
  ComPtr<ID3D12Device> device;
  ComPtr<ID3D12RootSignature> rootSignature;
  D3D12_VIEWPORT viewport = {};  // its size is also the swap chain's
  ComPtr<ID3D12CommandQueue> commandQueue;
  ComPtr<ID3D12DescriptorHeap> rtvHeap;
  ComPtr<ID3D12DescriptorHeap> dsvHeap;
  ComPtr<ID3D12Resource> depthBuffer;
  ComPtr<ID3D12DescriptorHeap> cbvSrvHeap;  // 0-255 texture views, then the ring's views
  uint32_t rtvDescriptorSize = 0;
  uint32_t cbvSrvDescriptorSize = 0;
  ComPtr<ID3D12Resource> backBuffers[2];
  ComPtr<ID3D12CommandAllocator> commandAllocator;
  ComPtr<ID3D12CommandAllocator> uploadCommandAllocator;
  ComPtr<ID3D12Fence> fence;
  HANDLE fenceEvent = nullptr;
  uint64_t fenceValue = 1;        // the next value to signal
  uint64_t lastSubmitted = 0;     // the value signalled after the last submission
  bool uploadsPending = false;
  std::vector<ComPtr<ID3D12Resource>> vertexBuffers;
  std::vector<D3D12_VERTEX_BUFFER_VIEW> vertexBufferViews;
  std::vector<ComPtr<ID3D12Resource>> indexBuffers;
  std::vector<IndexBufferView> indexBufferViews;
  uint32_t currentBackBuffer = 0;
  ComPtr<IDXGISwapChain3> swapChain;
  ComPtr<ID3D12Resource> ringBuffer;
  uint8_t* ringMapping = nullptr;
  ConstantRingLayout ring;
  TextureSlot textureSlots[kTextureSlotCount];
  std::vector<TextureSlotRange> freeSlotRanges;
  SamplerDesc samplers[kSamplerCount] = {};
  ComPtr<ID3D12DescriptorHeap> samplerHeaps[kSamplerCount];
  FreeIdStack freeVertexIds;
  FreeIdStack freeIndexIds;
  uint32_t boundVertexBuffer = 0xFFFFFFFFu;
  uint32_t boundIndexBuffer = 0xFFFFFFFFu;
  AppWindow* window = nullptr;  // set by WinMain; gives the window handle and client height
  uint32_t maxTextureSide = 0;
  bool depthTest = true;
  bool depthWrite = false;

  // Upload buffers of textures recorded since the last flush; released by FlushUploads.
  std::vector<ComPtr<ID3D12Resource>> stagedUploads;
  // Resources replaced while the GPU may still read them (a texture re-created mid-frame);
  // released once the GPU has finished the frame.
  std::vector<ComPtr<ID3D12Resource>> retiredResources;
  uint32_t lastBoundSampler = 0xFFFFFFFFu;
  bool ready = false;       // Init succeeded
  bool listOpen = false;    // the frame's command list is recording
  bool occluded = false;    // the last Present reported DXGI_STATUS_OCCLUDED: nothing shown
  bool ringFailureReported = false;  // a ring or heap re-creation failed since the last success
  bool resizeFailureReported = false;  // the last swap-chain resize failed
  bool vertexIdsFullReported = false;  // an id was given back to a full free stack
  bool indexIdsFullReported = false;
  bool emptySlotBindReported = false;  // a texture was bound whose slot holds no resource
  uint32_t pendingWidth = 0, pendingHeight = 0;  // the size of the last Resize
  // The back buffers' size: the client size, except while a refused resize keeps the old one.
  uint32_t frameWidth = 0, frameHeight = 0;

  Renderer();
  ~Renderer();

  // Device set-up on the window (Resize must have given the client size). False, with one
  // reported line, when the device, swap chain, a heap or a list cannot be made; the renderer
  // then stays unusable and the program should end with a non-zero code.
  bool Init();
  void CreateDepthBuffer(uint32_t width, uint32_t height);

  void AddResizeCallback(void (*function)(void*), void* argument);
  // Records the new client size. Before Init only the viewport and scissor change; after it the
  // swap chain, the depth buffer and the callbacks follow at the next BeginFrame. A 0 x 0 size
  // (minimised) keeps the swap chain and depth buffer as they are.
  void Resize(int32_t width, int32_t height);
  void BeginFrame();
  void EndFrame();
  void FlushUploads();
  // Start-up's first frame, on the list Init leaves open: opaque black, presented, the GPU
  // waited for, and the next frame begun (the one the game's loading records into).
  void PresentFirstFrame();
  // Waits until the GPU has finished everything submitted and takes the next back buffer.
  void WaitForGpu();
  // White with alpha 0, depth 1.
  void Clear();
  // Clears the back buffer alone to a colour (the first black frame).
  void ClearColor(float r, float g, float b, float a);
  // Corners in client pixels with the origin at the bottom left; kept for the next frames.
  void SetScissor(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
  // Origin top left; for this frame only.
  void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);

  // Create: a new id, or all bits set when refused (not running, no such format, past 4 GiB).
  // Update: rewrites in place or replaces the buffer under the same id; a refused update keeps
  // the old buffer. A given-back id waits on a free stack to be taken by a later Create.
  uint32_t CreateVertexBuffer(uint32_t vertexCount, const float* vertices, int32_t vertexFormat);
  uint32_t UpdateVertexBuffer(uint32_t id, uint32_t vertexCount, const float* vertices,
                              int32_t vertexFormat);
  uint32_t CreateIndexBuffer(uint32_t indexCount, const uint32_t* indices);
  uint32_t UpdateIndexBuffer(uint32_t id, uint32_t indexCount, const uint32_t* indices);
  void GiveBackVertexBuffer(uint32_t id);
  void GiveBackIndexBuffer(uint32_t id);
  // Draws every index of the index buffer with the bound program and its staged constants.
  // Skipped (nothing drawn) without a drawable program, without data, or when the constant
  // ring's class is full (counted in ring.skippedPushes).
  void DrawIndexed(uint32_t indexBufferId, uint32_t vertexBufferId);

  // Makes a ring buffer of size bytes and a heap for every class's blocks, then puts them in
  // place of the old ones. False (reported once until one succeeds) when either cannot be
  // made: the old ring and heap then stay as they were.
  bool CreateConstantRing(uint64_t size);
  bool PushConstants(const void* data, uint64_t size);
  void FreeTextureSlot(uint32_t slot);

  // The frame-start half of the constant ring (part of BeginFrame).
  void StartConstantRingFrame();
  void WriteTextureViews();
  void RetireResource(ComPtr<ID3D12Resource> resource);
};

extern Renderer gRenderer;

// The height scissor corners are flipped against: the window's client height, or the back
// buffers' while a refused resize keeps them at their old size.
int32_t RendererScissorHeight(const Renderer& r);
