#include "app/app_window.h"

#include <windowsx.h>

#include "app/input.h"

DisplaySettings gDisplaySettings;

namespace {

// Clips the cursor to the client area, its top edge raised by `raiseTop` pixels.
void ClipCursorToClient(HWND window, LONG raiseTop) {
  RECT client;
  GetClientRect(window, &client);
  POINT topLeft = {client.left, client.top - raiseTop};
  POINT bottomRight = {client.right, client.bottom};
  ClientToScreen(window, &topLeft);
  ClientToScreen(window, &bottomRight);
  RECT clip;
  SetRect(&clip, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  ClipCursor(&clip);
}

void UpdateCursor(AppWindow* w, HWND window, LPARAM lParam) {
  RECT client;
  GetClientRect(window, &client);
  w->mouseX = LOWORD(lParam);
  // y counts up from the bottom edge; done in 16 bits, so a captured cursor dragged below the
  // client area wraps to a large value.
  w->mouseY = static_cast<uint16_t>(client.bottom - HIWORD(lParam));
  gInput.cursorX = static_cast<float>(w->mouseX);
  gInput.cursorY = static_cast<float>(w->mouseY);
}

}  // namespace

bool AppWindow::Create(AppWindow* w) {
  w->displayMode = gDisplaySettings.displayMode;
  w->clientRect = {0, 0, gDisplaySettings.width, gDisplaySettings.height};

  WNDCLASSEXW& wc = w->windowClass;
  wc = {};
  wc.cbSize = sizeof(WNDCLASSEXW);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = AppWindow::StaticWndProc;
  wc.hInstance = w->instance;
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kWindowClassName;
  wc.hIconSm = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WINLOGO));
  if (!RegisterClassExW(&wc)) return false;

  w->refreshRate = static_cast<uint32_t>(gDisplaySettings.refreshRate);

  if (w->displayMode == 2) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof(DEVMODEW);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    mode.dmBitsPerPel = static_cast<DWORD>(gDisplaySettings.bitsPerPixel);
    mode.dmPelsWidth = static_cast<DWORD>(gDisplaySettings.width);
    mode.dmPelsHeight = static_cast<DWORD>(gDisplaySettings.height);
    w->bitsPerPixel = static_cast<uint32_t>(gDisplaySettings.bitsPerPixel);
    w->refreshRate = 60;
    if (ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
      MessageBoxW(nullptr, L"Display mode failed", nullptr, MB_OK);
      w->displayMode = 0;
    }
  }

  DWORD sizingStyle, sizingExStyle, style;
  if (w->displayMode == 2) {
    sizingStyle = WS_POPUP;
    sizingExStyle = WS_EX_APPWINDOW;
    style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  } else {
    sizingStyle = WS_OVERLAPPEDWINDOW;
    sizingExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  }
  AdjustWindowRectEx(&w->clientRect, sizingStyle, FALSE, sizingExStyle);

  // Centre the whole window (frame included) on the first display's current mode.
  DISPLAY_DEVICEW device = {};
  device.cb = sizeof(DISPLAY_DEVICEW);
  EnumDisplayDevicesW(nullptr, 0, &device, EDD_GET_DEVICE_INTERFACE_NAME);
  DEVMODEW current = {};
  current.dmSize = sizeof(DEVMODEW);
  EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &current);
  int32_t width = w->clientRect.right - w->clientRect.left;
  int32_t height = w->clientRect.bottom - w->clientRect.top;
  int32_t x = static_cast<int32_t>(current.dmPelsWidth >> 1) - width / 2;
  int32_t y = static_cast<int32_t>(current.dmPelsHeight >> 1) - height / 2;

  HWND window = CreateWindowExW(0, kWindowClassName, kWindowTitle, style, x, y, width, height,
                                nullptr, nullptr, w->instance, w);
  if (!window) return false;
  w->window = window;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  gInput.leftDown = gInput.rightDown = gInput.middleDown = false;
  return true;
}

LRESULT CALLBACK AppWindow::StaticWndProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message == WM_CREATE) {
    const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  AppWindow* w = reinterpret_cast<AppWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!w) return DefWindowProcW(window, message, wParam, lParam);
  return WndProc(w, window, message, wParam, lParam);
}

LRESULT AppWindow::WndProc(AppWindow* w, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      w->running = true;
      break;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUIT:
      // Closing only drops the flag: the loop finishes its pass and the window goes with the
      // process.
      w->running = false;
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      // A minimised window reports 0 x 0: it is recorded and passed on; the renderer keeps its
      // last good size for it.
      w->clientRect = {0, 0, LOWORD(lParam), HIWORD(lParam)};
      if (w->resizeListener)
        NotifyWindowResize(w->resizeListener, LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      gInput.OnKey(wParam, true);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      gInput.OnKey(wParam, false);
      break;
    case WM_CHAR:
      gInput.OnChar(wParam);
      break;
    case WM_MOUSEMOVE: {
      UpdateCursor(w, window, lParam);
      WINDOWINFO info = {};
      info.cbSize = sizeof(WINDOWINFO);
      if (w->cursorClip && GetWindowInfo(window, &info) &&
          info.dwWindowStatus == WS_ACTIVECAPTION) {
        ClipCursorToClient(window, 4);
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetCapture(window);
      UpdateCursor(w, window, lParam);
      if (message == WM_LBUTTONDOWN) gInput.leftDown = true;
      else gInput.rightDown = true;
      ClipCursorToClient(window, 0);
      break;
    case WM_MBUTTONDOWN:
      SetCapture(window);
      UpdateCursor(w, window, lParam);
      gInput.middleDown = true;
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (message == WM_LBUTTONUP) gInput.leftDown = false;
      else gInput.rightDown = false;
      if (!w->cursorClip && w->displayMode != 1 && w->displayMode != 2) ClipCursor(nullptr);
      ReleaseCapture();
      break;
    case WM_MBUTTONUP:
      gInput.middleDown = false;
      ReleaseCapture();
      break;
    case WM_MOUSEWHEEL:
      gInput.OnWheel(static_cast<int16_t>(HIWORD(wParam)));
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
