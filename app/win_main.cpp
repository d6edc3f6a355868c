// Program entry and the frame loop.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "app/app_window.h"
#include "app/crash_filter.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallCrashFilter();

  gDisplaySettings = {1280, 720, 32, 60, 0};

  AppWindow* window = static_cast<AppWindow*>(::operator new(sizeof(AppWindow)));
  std::memset(window, 0, sizeof(AppWindow));
  window->instance = instance;
  window->running = false;
  window->resizeListener = nullptr;
  window->cursorClip = false;

  if (!AppWindow::Create(window)) {
    MessageBoxA(nullptr, "Unable to create the OpenGL Window", "An error occurred", MB_ICONERROR);
    if (window->displayMode == 2) {
      ChangeDisplaySettingsW(nullptr, 0);
      ShowCursor(TRUE);
    }
    return 1;
  }

  LARGE_INTEGER previous, current, frequency;
  QueryPerformanceCounter(&previous);
  QueryPerformanceFrequency(&frequency);

  MSG message;
  while (window->running) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    QueryPerformanceCounter(&current);
    // Whole microseconds, then seconds in single precision; deliberately unclamped.
    int64_t micros = ((current.QuadPart - previous.QuadPart) * 1000000) / frequency.QuadPart;
    float dt = static_cast<float>(micros) / 1000000.0f;
    (void)dt;
    Sleep(1);
    previous = current;
  }

  if (window->displayMode == 2) {
    ChangeDisplaySettingsW(nullptr, 0);
    ShowCursor(TRUE);
  }
  return 0;
}

void NotifyWindowResize(Game*, int32_t, int32_t) {}
