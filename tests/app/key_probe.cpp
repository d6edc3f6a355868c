// Opens the game's window alone and waits for a real keystroke (sent by xdotool) to reach the
// input state through the window procedure. Exit 0 when 'K' arrived, 3 after 20 s without it.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app_window.h"
#include "app/crash_filter.h"
#include "app/input.h"

void NotifyWindowResize(Game*, int32_t, int32_t) {}

int main() {
  InstallCrashFilter();
  gDisplaySettings = {320, 200, 32, 60, 0};
  static AppWindow window;
  std::memset(&window, 0, sizeof window);
  window.instance = GetModuleHandleW(nullptr);
  if (!AppWindow::Create(&window)) return 2;
  std::puts("window open");
  std::fflush(stdout);
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    bool typed = false;
    for (uint32_t i = 0; i < gInput.typedCount; ++i) typed |= gInput.typed[i] == 'k';
    if (gInput.keys['K'] || typed) {
      std::printf("key arrived (keys=%d typed=%d)\n", gInput.keys['K'] ? 1 : 0, typed ? 1 : 0);
      return 0;
    }
    Sleep(10);
  }
  return 3;
}
