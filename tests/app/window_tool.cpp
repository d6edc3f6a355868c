// Test tool: acts on the game's window from another process, as a user or a window manager
// would.
//   window_tool close              posts WM_CLOSE
//   window_tool rect               prints the client area in screen pixels: x y width height
//   window_tool minimize|restore   shows the window minimised or restored
// Exit 0 on success, 1 when no window of class DX12WindowClass appears within 10 s.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  const char* command = argc > 1 ? argv[1] : "close";
  HWND window = nullptr;
  for (int attempt = 0; attempt < 100 && !window; ++attempt) {
    window = FindWindowW(L"DX12WindowClass", nullptr);
    if (!window) Sleep(100);
  }
  if (!window) {
    std::fprintf(stderr, "window_tool: no window of class DX12WindowClass\n");
    return 1;
  }
  if (std::strcmp(command, "close") == 0) return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 2;
  if (std::strcmp(command, "minimize") == 0) {
    ShowWindow(window, SW_MINIMIZE);
    return 0;
  }
  if (std::strcmp(command, "restore") == 0) {
    ShowWindow(window, SW_RESTORE);
    return 0;
  }
  if (std::strcmp(command, "rect") == 0) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    return 0;
  }
  std::fprintf(stderr, "window_tool: unknown command '%s'\n", command);
  return 2;
}
