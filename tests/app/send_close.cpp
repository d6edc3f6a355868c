// Test tool: posts WM_CLOSE to the game's window from another process, as a window manager or
// the user closing it would. Exit 0 when the message was posted.
#include <windows.h>

#include <cstdio>

int main() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    HWND window = FindWindowW(L"DX12WindowClass", nullptr);
    if (window) return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 2;
    Sleep(100);
  }
  std::fprintf(stderr, "send_close: no window of class DX12WindowClass\n");
  return 1;
}
