#pragma once
// Test support for the Windows renderer tests: a plain window for the renderer, read-back of the
// back buffer within a frame, and PNG files of frames that failed a check.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_window.h"
#include "render/renderer.h"
#include "tests/support/png_encode.h"

// The window and record the renderer draws into; WM_SIZE reaches Renderer::Resize, as the game's
// window procedure makes it.
struct TestWindow {
  AppWindow record = {};
  // WS_POPUP gives a borderless window whose client area can fill the whole screen.
  DWORD style = WS_OVERLAPPEDWINDOW;
  bool Open(int32_t clientWidth, int32_t clientHeight);
  // Sets the client size through the window manager (WM_SIZE follows at once).
  void SetClientSize(int32_t width, int32_t height);
};

// Opens the window at the client size, makes it the renderer's and starts the renderer at that
// size, as the game's start-up does.
bool StartRendererInWindow(TestWindow* window, int32_t clientWidth, int32_t clientHeight);

// The back buffer as it stands at the point of the call in the open frame, rows top first.
struct Frame {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;
  // Pixel at x from the left and y from the bottom (the game's orientation).
  const uint8_t* At(uint32_t x, uint32_t yFromBottom) const {
    return &rgba[(size_t(height - 1 - yFromBottom) * width + x) * 4];
  }
};

// Records a copy of the back buffer on the frame's list; the copy is readable after EndFrame
// and WaitForGpu, through FinishCapture.
struct Capture {
  ComPtr<ID3D12Resource> readback;
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint = {};
  uint32_t width = 0, height = 0;
};
bool RecordCapture(Capture* capture);
bool FinishCapture(const Capture& capture, Frame* frame);
// Copies the back buffer of the open frame, ends the frame, waits for the GPU and reads the
// copy into `frame`. The frame ends even when the copy cannot be made.
bool EndFrameWithCapture(Frame* frame);

// True when the pixel is within `tolerance` of (r, g, b, a) on every channel.
bool PixelNear(const Frame& f, uint32_t x, uint32_t yFromBottom, int r, int g, int b, int a,
               int tolerance);
// Writes the frame to render_failures/<name>.png under the working folder (the build folder).
void SaveFailedFrame(const Frame& f, const std::string& name);
