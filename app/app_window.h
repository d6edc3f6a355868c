#pragma once
// The one top-level window: display defaults, the window record and its window procedure.
// Windows only.
#include <windows.h>

#include <cstdint>

struct Game;

struct DisplaySettings {
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;
  int32_t refreshRate;
  int32_t displayMode;  // 0 windowed, 1 fullscreen through the swap chain, 2 display-mode change
};

extern DisplaySettings gDisplaySettings;

struct AppWindow {
  HWND window;
  int32_t displayMode;
  RECT clientRect;  // {0, 0, client width, client height} after the first WM_SIZE
  HINSTANCE instance;
  WNDCLASSEXW windowClass;
  uint32_t bitsPerPixel;
  uint32_t refreshRate;
  bool running;
  Game* resizeListener;
  uint16_t mouseX, mouseY;  // client pixels, y upward from the bottom
  bool cursorClip;

  int32_t ClientWidth() const { return clientRect.right - clientRect.left; }
  int32_t ClientHeight() const { return clientRect.bottom - clientRect.top; }

  static bool Create(AppWindow* w);
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT WndProc(AppWindow* w, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// Receives every WM_SIZE while a listener is set. Defined by the game (it forwards to
// Game::OnWindowResize); bound at link time so the window code does not depend on the game's
// library and tests can run the window alone with a definition of their own.
void NotifyWindowResize(Game* listener, int32_t width, int32_t height);

constexpr const wchar_t* kWindowClassName = L"DX12WindowClass";
constexpr const wchar_t* kWindowTitle = L"Kestra Brelda & Quonzel";
