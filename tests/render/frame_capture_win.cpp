#include "tests/render/frame_capture_win.h"

#include <cstdio>
#include <cstdlib>

#include "app/files.h"

namespace {

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    auto* record = reinterpret_cast<AppWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (record) {
      const int32_t w = LOWORD(lParam), h = HIWORD(lParam);
      record->clientRect = {0, 0, w, h};
      gRenderer.Resize(w, h);
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool TestWindow::Open(int32_t clientWidth, int32_t clientHeight) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = TestWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"KestraRenderTest";
  RegisterClassExW(&wc);
  RECT r = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"renderer test", style, 0, 0,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance,
                              nullptr);
  if (!hwnd) return false;
  record.window = hwnd;
  record.instance = instance;
  record.clientRect = {0, 0, clientWidth, clientHeight};
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  record.clientRect = client;
  return true;
}

void TestWindow::SetClientSize(int32_t width, int32_t height) {
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  SetWindowPos(record.window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER);
}

bool StartRendererInWindow(TestWindow* window, int32_t clientWidth, int32_t clientHeight) {
  if (!window->Open(clientWidth, clientHeight)) return false;
  gRenderer.window = &window->record;
  gRenderer.Resize(clientWidth, clientHeight);
  return gRenderer.Init();
}

bool RecordCapture(Capture* capture) {
  Renderer& r = gRenderer;
  ID3D12Resource* back = r.backBuffers[r.currentBackBuffer].Get();
  D3D12_RESOURCE_DESC desc;
  back->GetDesc(&desc);
  UINT64 total = 0;
  r.device->GetCopyableFootprints(&desc, 0, 1, 0, &capture->footprint, nullptr, nullptr, &total);
  capture->width = uint32_t(desc.Width);
  capture->height = desc.Height;
  D3D12_HEAP_PROPERTIES heap = HeapOfType(D3D12_HEAP_TYPE_READBACK);
  D3D12_RESOURCE_DESC buffer = BufferDesc(total);
  if (FAILED(r.device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &buffer,
                                               D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                               IID_PPV_ARGS(&capture->readback)))) {
    return false;
  }
  D3D12_RESOURCE_BARRIER b = TransitionBarrier(back, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                               D3D12_RESOURCE_STATE_COPY_SOURCE);
  r.commandList->ResourceBarrier(1, &b);
  D3D12_TEXTURE_COPY_LOCATION dst = {};
  dst.pResource = capture->readback.Get();
  dst.Type = D3D12_TEXTURE_COPY_TYPE_PLACED_FOOTPRINT;
  dst.PlacedFootprint = capture->footprint;
  D3D12_TEXTURE_COPY_LOCATION src = {};
  src.pResource = back;
  src.Type = D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
  src.SubresourceIndex = 0;
  r.commandList->CopyTextureRegion(&dst, 0, 0, 0, &src, nullptr);
  b = TransitionBarrier(back, D3D12_RESOURCE_STATE_COPY_SOURCE,
                        D3D12_RESOURCE_STATE_RENDER_TARGET);
  r.commandList->ResourceBarrier(1, &b);
  return true;
}

bool FinishCapture(const Capture& capture, Frame* frame) {
  if (!capture.readback) return false;
  void* p = nullptr;
  if (FAILED(capture.readback->Map(0, nullptr, &p)) || !p) return false;
  frame->width = capture.width;
  frame->height = capture.height;
  frame->rgba.resize(size_t(frame->width) * frame->height * 4);
  for (uint32_t y = 0; y < frame->height; ++y) {
    memcpy(&frame->rgba[size_t(y) * frame->width * 4],
           static_cast<uint8_t*>(p) + capture.footprint.Offset +
               size_t(y) * capture.footprint.Footprint.RowPitch,
           size_t(frame->width) * 4);
  }
  D3D12_RANGE nothingWritten = {0, 0};
  capture.readback->Unmap(0, &nothingWritten);
  return true;
}

bool EndFrameWithCapture(Frame* frame) {
  Capture capture;
  const bool recorded = RecordCapture(&capture);
  gRenderer.EndFrame();
  gRenderer.WaitForGpu();
  return FinishCapture(capture, frame) && recorded;
}

bool PixelNear(const Frame& f, uint32_t x, uint32_t y, int r, int g, int b, int a,
               int tolerance) {
  if (x >= f.width || y >= f.height) return false;
  const uint8_t* p = f.At(x, y);
  const int want[4] = {r, g, b, a};
  for (int i = 0; i < 4; ++i) {
    if (want[i] < 0) continue;  // channel not checked
    if (std::abs(int(p[i]) - want[i]) > tolerance) return false;
  }
  return true;
}

void SaveFailedFrame(const Frame& f, const std::string& name) {
  if (f.rgba.empty()) return;
  CreateDirectoryW(L"render_failures", nullptr);
  std::vector<uint8_t> out = EncodePng(f.width, f.height, 4, f.rgba.data());
  const std::string path = "render_failures/" + name + ".png";
  WriteWholeFile(path.c_str(), out.data(), out.size());
  std::printf("saved the failing frame as %s\n", path.c_str());
}
